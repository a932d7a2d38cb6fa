// The daemon's view of a device: the first virtual operations of every device
// object, in the order the daemon's virtual table expects them.
#pragma once

#include <climits>
#include <cstddef>
#include <memory>
#include <string>

#include <json/value.h>

#include "host/host_api.h"
#include "host/host_observer.h"
#include "host/host_types.h"

class SMDVDevice;

class HOST_API VDeviceInterface {
public:
    VDeviceInterface();
    VDeviceInterface(const VDeviceInterface&) = delete;
    VDeviceInterface& operator=(const VDeviceInterface&) = delete;

    // Serves nothing: throws std::out_of_range("数据未就绪").
    virtual float Get_Value(unsigned int id, const std::string& name) const;
    // Inline, so that the plug-in carries its own copy rather than importing it.
    virtual int LoadFromCache(const std::string& bytes)
    {
        // A string too long for the length argument can never be a valid record.
        const int length = bytes.size() > static_cast<std::size_t>(INT_MAX) ? -1 : static_cast<int>(bytes.size());
        return LoadFromCache(reinterpret_cast<const unsigned char*>(bytes.data()), length);
    }
    virtual int LoadFromCache(const unsigned char* data, int length);
    virtual unsigned int DataId() const { return data_id_; }
    virtual const std::string& DeviceType() const { return device_type_; }
    virtual int DeviceIoControl(int code, const void* in, int inLen, void* out, int outLen, int& outUsed);
    virtual void RoundDone();
    virtual bool UseControllerDb() { return use_controller_db_; }
    virtual ~VDeviceInterface();
    virtual void Reset();
    virtual int InitV(SMDVDevice* parent, unsigned int id, const Json::Value& config);
    virtual int Init(std::weak_ptr<SMDController> controller, unsigned int id, const Json::Value& config);
    virtual int InitSetting(const Json::Value& root);
    virtual bool IsSupportDevice(const std::string& type) const;

    // Where the host reports the calls that device code makes into it.
    void set_observer(HostObserver* observer) { observer_ = observer ? observer : &HostObserver::none(); }
    HostObserver& observer() const { return *observer_; }

    // Host state.
    unsigned int data_id_ = 0;
    std::string device_type_;
    bool use_controller_db_ = false;

private:
    HostObserver* observer_;
};
