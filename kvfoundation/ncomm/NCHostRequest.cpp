#include "kvfoundation/ncomm/NCHostRequest.h"

#include <time.h>

#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/ncomm/NCHostWorker.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::ncomm {

namespace {

// Progress messages are sent at most this often per request.
constexpr double kProgressInterval = 0.2;

double SecondsSince1970() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

template <class T>
base::KVRefCountT<T> OwnedCopy(T* value) {
    return value == nullptr ? base::KVRefCountT<T>() : base::KVRefCountT<T>::Adopt(value->Copy());
}

}  // namespace

NCHostRequest* NCHostRequest::Create(NCHostWorker* worker, data::IKVString* name,
                                     data::IKVMap* params) {
    return base::AutoReleased(new NCHostRequest(worker, name, params));
}

NCHostRequest::NCHostRequest(NCHostWorker* worker, data::IKVString* name, data::IKVMap* params)
    : worker_(worker),
      name_(OwnedCopy(name)),
      params_(OwnedCopy(params)),
      result_(data::CreateMutableMap(0)),
      taskName_(data::Literal("")) {}

INCHost* NCHostRequest::Host() const {
    return worker_->Host();
}

void NCHostRequest::SetError(const base::IKVException& error) {
    auto* serviceError = dynamic_cast<const NCException*>(&error);
    data::IKVString* reason =
        serviceError != nullptr ? serviceError->Reason() : base::TypeName(typeid(error));
    data::IKVString* why = error.Message() != nullptr ? error.Message() : data::Literal("");
    result_->RemoveAll();
    result_->SetObjectForKey(data::Literal("errReason"), reason);
    result_->SetObjectForKey(data::Literal("errWhy"), why);
    succeeded_ = false;
}

bool NCHostRequest::ClientGone() const {
    return worker_->ClientGone();
}

void NCHostRequest::SetProgress(data::IKVString* taskName, double progress) {
    if (taskName == nullptr) {
        throw base::KVNullPtr("taskName");
    }
    if (!(progress >= 0.0 && progress <= 1.0)) {
        throw base::KVIllegalArgument(util::Format("NComm: Bad progress value: %f", progress));
    }
    taskName_ = OwnedCopy(taskName);
    progress_ = progress;

    const double now = SecondsSince1970();
    if (now - lastProgressSent_ <= kProgressInterval) {
        return;  // the stored values are simply replaced
    }
    lastProgressSent_ = now;
    base::IKVType* keys[] = {data::Literal("taskname"), data::Literal("progress")};
    base::IKVType* values[] = {taskName_.get(), data::CreateDouble(progress_)};
    base::IKVType* message[] = {data::CreateInt32(2), data::CreateMap(keys, values, 2)};
    io::IKVSerializer* serializer = worker_->Serializer();
    serializer->Serialize(data::CreateList(2, message));
    serializer->Flush();
}

}  // namespace kvfoundation::ncomm
