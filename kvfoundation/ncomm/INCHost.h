#pragma once

#include <cstdint>

#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {
class IKVList;
class IKVMap;
class IKVMutableMap;
class IKVString;
}  // namespace kvfoundation::data
namespace kvfoundation::io {
class IKVChannel;
class IKVChannelServer;
}  // namespace kvfoundation::io
namespace kvfoundation::thread {
class IKVThread;
}

namespace kvfoundation::ncomm {

// The server side of the NComm request protocol: greets each client, reads its requests one
// at a time, hands them to a delegate and writes back progress messages and replies. One
// thread serves one connection; parallelism comes from several connections.
class INCHost : public base::IKVType {
public:
    class IRequest;

    // What the service plugs into the host. The host calls it on each connection's thread.
    class IDelegate : public base::IKVType {
    public:
        // A short name for the delegate.
        virtual data::IKVString* Name() const = 0;
        // On the worker's thread, before the first request is read.
        virtual void ThreadStarted() = 0;
        // Performs the request, filling its result map; fails by throwing an exception of the
        // IKVException family, which becomes the error reply.
        virtual void HandleRequest(IRequest* request) = 0;
        // On the worker's thread, after the connection has ended.
        virtual void ThreadStopped() = 0;
        // On the worker's thread, when an exception ends the connection. The standard
        // behaviour: an end of stream (the client went away) is ignored; anything else is
        // logged at level 1 with the thread's name.
        virtual void HandleError(const base::IKVException& error);
    };

    // One request of one connection.
    class IRequest : public base::IKVType {
    public:
        virtual INCHost* Host() const = 0;
        virtual data::IKVString* Name() const = 0;
        // May be null.
        virtual data::IKVMap* Params() const = 0;
        // The handler puts its results here.
        virtual data::IKVMutableMap* Result() const = 0;
        virtual bool Succeeded() const = 0;
        // Marks the request failed: the result map is emptied and then holds only
        // "errReason" and "errWhy".
        virtual void SetError(const base::IKVException& error) = 0;
        // Reports progress (0 to 1) to the client, at most one message per 0.2 seconds; a
        // null task raises KVNullPtr, a value outside 0…1 KVIllegalArgument
        // "NComm: Bad progress value: %f".
        virtual void SetProgress(data::IKVString* taskName, double progress) = 0;
        // Whether the client that sent the request has gone away, so that a long request can
        // stop early (its reply would reach no one). Found without reading or blocking.
        virtual bool ClientGone() const { return false; }
    };

    // Serves every channel of the list: elements 1… each on a worker thread of its own,
    // element 0 on the calling thread; returns when every worker of this host has ended.
    // Elements that are not channels raise KVBadCast; an empty list the list's index error.
    virtual void Run(data::IKVList* channels) = 0;
    // Serves one channel on the calling thread until its connection ends; null raises
    // KVNullPtr.
    virtual void Serve(io::IKVChannel* channel) = 0;
    // Serves the channel on a new thread "NCHost[<delegate> - <n>]"; returns the thread.
    virtual thread::IKVThread* StartWorker(io::IKVChannel* channel) = 0;
    // Accepts connections of the server on a new thread "NCHost[<delegate> - <server>]",
    // each served by StartWorker, until the server is closed; returns the thread.
    virtual thread::IKVThread* StartServer(io::IKVChannelServer* server) = 0;
    // The number of connections being served.
    virtual int32_t WorkerCount() const = 0;
    // Blocks until WorkerCount is 0.
    virtual void WaitForWorkers() = 0;
};

}  // namespace kvfoundation::ncomm
