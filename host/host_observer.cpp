#include "host/host_observer.h"

HostObserver::~HostObserver() = default;

int HostObserver::on_refresh_status() { return HostAnswers{}.refresh; }
bool HostObserver::on_check_ao_report(const std::string&, float) { return HostAnswers{}.ao_report; }
bool HostObserver::on_batch_check(std::size_t) { return HostAnswers{}.batch; }

void HostObserver::on_send(unsigned char, unsigned char, const unsigned char*, int) {}
void HostObserver::on_send_sp(int, const unsigned char*, unsigned int, bool) {}
void HostObserver::on_save_history(const unsigned char*, unsigned int) {}
void HostObserver::on_reset() {}
void HostObserver::on_open_port() {}
void HostObserver::on_check_threshold_bool(int, const std::string&, const std::string&, const std::string&,
                                           const std::string&, bool, unsigned short)
{
}
void HostObserver::on_check_threshold(const std::string&, const std::string&, float, int) {}

HostObserver& HostObserver::none()
{
    static HostObserver ignore_all;
    return ignore_all;
}
