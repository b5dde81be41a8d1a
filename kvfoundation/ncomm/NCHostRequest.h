#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVMap.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/ncomm/INCHost.h"

namespace kvfoundation::ncomm {

class NCHostWorker;

// One request read by a worker, with the result map its handler fills.
class NCHostRequest final : public base::KVObjectT<INCHost::IRequest> {
public:
    // Autoreleased; keeps copies of the name and the parameters (which may be null).
    static NCHostRequest* Create(NCHostWorker* worker, data::IKVString* name, data::IKVMap* params);

    INCHost* Host() const override;
    data::IKVString* Name() const override { return name_.get(); }
    data::IKVMap* Params() const override { return params_.get(); }
    data::IKVMutableMap* Result() const override { return result_.get(); }
    bool Succeeded() const override { return succeeded_; }
    void SetError(const base::IKVException& error) override;
    void SetProgress(data::IKVString* taskName, double progress) override;
    bool ClientGone() const override;

private:
    NCHostRequest(NCHostWorker* worker, data::IKVString* name, data::IKVMap* params);
    ~NCHostRequest() override = default;

    NCHostWorker* const worker_;  // outlives the request
    base::KVRefCountT<data::IKVString> name_;
    base::KVRefCountT<data::IKVMap> params_;
    const base::KVRefCountT<data::IKVMutableMap> result_;
    bool succeeded_ = true;
    double lastProgressSent_ = 0;  // seconds since 1970
    base::KVRefCountT<data::IKVString> taskName_;
    double progress_ = 0;
};

}  // namespace kvfoundation::ncomm
