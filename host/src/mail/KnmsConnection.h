#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include <boost/asio/io_context.hpp>
#include <boost/asio/local/stream_protocol.hpp>

#include "Mail/TCKnmsMessage.h"
#include "Thread/TCThread.h"

// What a proxy's connections deliver into: waiting mails and the replies SendAndWait waits for. Shared
// with the connections so that a reader thread never outlives what it writes to.
struct TCKnmsInbox {
    struct Pending {
        bool done = false;
        bool ok = false;
        TCKnmsMessage reply;
        std::string error;
    };

    std::mutex mutex;
    std::condition_variable replied;
    std::deque<TCKnmsMessage> mails;
    std::map<uint64_t, std::shared_ptr<Pending>> waiting;
    TCSignalEventObject signal;
    std::atomic<uint64_t> nextSequence{1};

    // Mails beyond this wait nowhere: the owner is not keeping up and they are dropped (logged).
    static constexpr size_t MAX_WAITING_MAILS = 4096;

    void Deliver(TCKnmsMessage mail);
    void Fail(uint64_t sequence, const std::string& error);
    // Fails every waiting request, e.g. when the connection is lost.
    void FailAll(const std::string& error);
};

// One connection to the router with a thread that reads what arrives.
class TCKnmsConnection : public std::enable_shared_from_this<TCKnmsConnection> {
public:
    // Null with the reason in `error` when the router cannot be reached.
    static std::shared_ptr<TCKnmsConnection>
    Open(const std::string& socketPath, const std::shared_ptr<TCKnmsInbox>& inbox, std::string& error);
    ~TCKnmsConnection();

    // Thread-safe. Throws TCException when the connection is closed or the write fails.
    void SendPayload(const std::string& payload);
    void SendMail(const std::string& to, const TCKnmsMessage& mail);
    void Close();
    bool IsOpen() const { return m_Open.load(); }
    // Whether the router refused a name since the last call.
    bool TakeRefusal() { return m_Refused.exchange(false); }
    bool IsRegistered() const { return m_Registered.load(); }

    explicit TCKnmsConnection(std::weak_ptr<TCKnmsInbox> inbox);

private:
    void ReadLoop();
    void HandlePayload(const std::string& payload);

    boost::asio::io_context m_Io;
    boost::asio::local::stream_protocol::socket m_Socket{m_Io};
    std::mutex m_WriteMutex;
    std::thread m_Reader;
    std::atomic<bool> m_Open{false};
    std::atomic<bool> m_Refused{false};
    std::atomic<bool> m_Registered{false};
    std::weak_ptr<TCKnmsInbox> m_Inbox;
};

// Keeps a proxy connected: opens the connection on demand and, once a service name is exposed, again in
// the background whenever it is lost, registering the name and the subscriptions each time.
class TCKnmsKeeper {
public:
    TCKnmsKeeper(std::string socketPath, std::shared_ptr<TCKnmsInbox> inbox);
    ~TCKnmsKeeper();

    void Expose(const std::string& name);
    void Subscribe(int mailClassID);
    // The open connection, connecting now when there is none; null with the reason in `error`.
    std::shared_ptr<TCKnmsConnection> Current(std::string& error);
    bool IsConnected();
    bool IsRegistered();

private:
    void Run();
    std::shared_ptr<TCKnmsConnection> ConnectLocked(std::string& error);

    std::string m_SocketPath;
    std::shared_ptr<TCKnmsInbox> m_Inbox;
    std::mutex m_Mutex;
    std::condition_variable m_Wake;
    std::shared_ptr<TCKnmsConnection> m_Connection;
    std::string m_Name;
    std::set<int> m_Subscriptions;
    bool m_Stop = false;
    std::thread m_Thread;
};
