#include "host/observer_relay.h"

int ObserverRelay::on_refresh_status() { return next_->on_refresh_status(); }

bool ObserverRelay::on_check_ao_report(const std::string& signal, float value)
{
    return next_->on_check_ao_report(signal, value);
}

bool ObserverRelay::on_batch_check(std::size_t rules) { return next_->on_batch_check(rules); }

void ObserverRelay::on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length)
{
    next_->on_send(cid1, cid2, data, length);
}

void ObserverRelay::on_send_sp(int type, const unsigned char* record, unsigned int length, bool flag)
{
    next_->on_send_sp(type, record, length, flag);
}

void ObserverRelay::on_save_history(const unsigned char* record, unsigned int length)
{
    next_->on_save_history(record, length);
}

void ObserverRelay::on_reset() { next_->on_reset(); }

void ObserverRelay::on_open_port() { next_->on_open_port(); }

void ObserverRelay::on_check_threshold_bool(int level, const std::string& key, const std::string& id,
                                            const std::string& desc, const std::string& name, bool state,
                                            unsigned short seq)
{
    next_->on_check_threshold_bool(level, key, id, desc, name, state, seq);
}

void ObserverRelay::on_check_threshold(const std::string& signal, const std::string& text, float value, int n)
{
    next_->on_check_threshold(signal, text, value, n);
}
