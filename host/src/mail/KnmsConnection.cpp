#include "mail/KnmsConnection.h"

#include <algorithm>
#include <sys/socket.h>
#include <vector>

#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include "Debug/TCDebug.h"
#include "Host/TCException.h"
#include "Mail/TCKnmsRouter.h"
#include "mail/KnmsWire.h"

namespace asio = boost::asio;
using Local = asio::local::stream_protocol;

void TCKnmsInbox::Deliver(TCKnmsMessage mail) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        const bool isReply =
            mail.get_Marker() == KNMS_MARKER_REPLY || mail.get_Marker() == KNMS_MARKER_ERROR_REPLY;
        const auto found = isReply ? waiting.find(mail.get_ReplyTo()) : waiting.end();
        if (found != waiting.end()) {
            found->second->done = found->second->ok = true;
            found->second->reply = std::move(mail);
            waiting.erase(found);
            replied.notify_all();
            return;
        }
        if (mails.size() >= MAX_WAITING_MAILS) {
            if (IsDebugLevel(DEBUG_COMMON))
                SendDebugOutput(DEBUG_COMMON, "mail proxy: inbox full, mail of class %d dropped",
                                mail.get_MailClassID());
            return;
        }
        mails.push_back(std::move(mail));
    }
    signal.Signal();
}

void TCKnmsInbox::Fail(uint64_t sequence, const std::string& error) {
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = waiting.find(sequence);
    if (found == waiting.end()) return;
    found->second->done = true;
    found->second->error = error;
    waiting.erase(found);
    replied.notify_all();
}

void TCKnmsInbox::FailAll(const std::string& error) {
    std::lock_guard<std::mutex> lock(mutex);
    for (auto& entry : waiting) {
        entry.second->done = true;
        entry.second->error = error;
    }
    waiting.clear();
    replied.notify_all();
}

TCKnmsConnection::TCKnmsConnection(std::weak_ptr<TCKnmsInbox> inbox) : m_Inbox(std::move(inbox)) {}

std::shared_ptr<TCKnmsConnection> TCKnmsConnection::Open(const std::string& socketPath,
                                                         const std::shared_ptr<TCKnmsInbox>& inbox,
                                                         std::string& error) {
    auto connection = std::make_shared<TCKnmsConnection>(inbox);
    boost::system::error_code ec;
    connection->m_Socket.connect(Local::endpoint(socketPath), ec);
    if (ec) {
        error = "cannot reach the mail router at " + socketPath + ": " + ec.message();
        return nullptr;
    }
    connection->m_Open = true;
    connection->m_Reader = std::thread(&TCKnmsConnection::ReadLoop, connection.get());
    return connection;
}

TCKnmsConnection::~TCKnmsConnection() {
    Close();
    if (m_Reader.joinable()) {
        if (m_Reader.get_id() == std::this_thread::get_id())
            m_Reader.detach();
        else
            m_Reader.join();
    }
}

void TCKnmsConnection::Close() {
    m_Open = false;
    // shutdown, unlike close, is safe while the reader sits in a blocking read: it makes that read end.
    if (m_Socket.is_open()) ::shutdown(m_Socket.native_handle(), SHUT_RDWR);
}

void TCKnmsConnection::SendPayload(const std::string& payload) {
    if (payload.size() > TCKnmsRouter::MAX_FRAME_BYTES)
        throw TCException(__FILE__, __LINE__)
            .Format("Mail of %zu bytes exceeds the frame limit", payload.size());
    const std::string frame = KnmsWire::MakeFrame(payload);
    std::lock_guard<std::mutex> lock(m_WriteMutex);
    if (!m_Open.load()) throw TCException(__FILE__, __LINE__, "The connection to the mail router is closed");
    boost::system::error_code ec;
    asio::write(m_Socket, asio::buffer(frame), ec);
    if (ec) {
        Close();
        throw TCException(__FILE__, __LINE__, "Writing to the mail router failed: " + ec.message());
    }
}

void TCKnmsConnection::SendMail(const std::string& to, const TCKnmsMessage& mail) {
    SendPayload(KnmsWire::MailFrame("to", to, mail));
}

void TCKnmsConnection::ReadLoop() {
    // Whatever is there is read at once; a reply usually takes one read.
    std::vector<char> in(64 * 1024);
    size_t used = 0;
    while (m_Open.load()) {
        if (in.size() - used < 16 * 1024) in.resize(in.size() * 2);
        boost::system::error_code ec;
        used += m_Socket.read_some(asio::buffer(in.data() + used, in.size() - used), ec);
        if (ec) break;
        size_t offset = 0;
        bool broken = false;
        while (used - offset >= KnmsWire::HEADER_BYTES) {
            const uint32_t size = KnmsWire::DecodeHeader(reinterpret_cast<const unsigned char*>(&in[offset]));
            if (size > TCKnmsRouter::MAX_FRAME_BYTES) {
                broken = true;
                break;
            }
            if (used - offset - KnmsWire::HEADER_BYTES < size) break;
            HandlePayload(std::string(&in[offset + KnmsWire::HEADER_BYTES], size));
            offset += KnmsWire::HEADER_BYTES + size;
        }
        if (broken) break;
        std::copy(in.begin() + long(offset), in.begin() + long(used), in.begin());
        used -= offset;
        if (used == 0 && in.size() > 1024 * 1024) in.assign(64 * 1024, 0);
    }
    m_Open = false;
    if (auto inbox = m_Inbox.lock()) inbox->FailAll("The connection to the mail router was lost");
}

void TCKnmsConnection::HandlePayload(const std::string& payload) {
    auto inbox = m_Inbox.lock();
    if (!inbox) return;
    rapidjson::Document doc;
    if (!KnmsWire::ParseFrame(payload, doc)) {
        Close();
        return;
    }
    const std::string op = doc["op"].GetString();
    if (op == "mail") {
        const auto from = doc.FindMember("from");
        const auto mailValue = doc.FindMember("mail");
        TCKnmsMessage mail;
        std::string error;
        if (from == doc.MemberEnd() || !from->value.IsString() || mailValue == doc.MemberEnd() ||
            !KnmsWire::ReadMail(mailValue->value, mail, error)) {
            Close();
            return;
        }
        mail.set_Sender(from->value.GetString());
        mail.set_Route(weak_from_this());
        inbox->Deliver(std::move(mail));
    } else if (op == "undeliverable") {
        const auto seq = doc.FindMember("seq");
        const auto to = doc.FindMember("to");
        if (seq != doc.MemberEnd() && seq->value.IsUint64())
            inbox->Fail(
                seq->value.GetUint64(),
                "No service " +
                    std::string(to != doc.MemberEnd() && to->value.IsString() ? to->value.GetString() : "") +
                    " at the mail router");
    } else if (op == "refused") {
        m_Refused = true;
    } else if (op == "registered") {
        m_Registered = true;
    }
}

TCKnmsKeeper::TCKnmsKeeper(std::string socketPath, std::shared_ptr<TCKnmsInbox> inbox)
    : m_SocketPath(std::move(socketPath)), m_Inbox(std::move(inbox)) {}

TCKnmsKeeper::~TCKnmsKeeper() {
    std::shared_ptr<TCKnmsConnection> connection;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Stop = true;
        connection = std::move(m_Connection);
    }
    m_Wake.notify_all();
    if (m_Thread.joinable()) m_Thread.join();
    if (connection) connection->Close();
}

std::shared_ptr<TCKnmsConnection> TCKnmsKeeper::ConnectLocked(std::string& error) {
    if (m_Connection && m_Connection->IsOpen()) return m_Connection;
    m_Connection = TCKnmsConnection::Open(m_SocketPath, m_Inbox, error);
    if (!m_Connection) return nullptr;
    try {
        // Subscriptions first: once the name is confirmed, they are in place too.
        for (int mailClass : m_Subscriptions)
            m_Connection->SendPayload(KnmsWire::SimpleFrame("subscribe", "mailClass", mailClass));
        if (!m_Name.empty()) m_Connection->SendPayload(KnmsWire::SimpleFrame("register", "name", m_Name));
    } catch (const TCException& e) {
        error = e.GetHostMessage();
        m_Connection.reset();
    }
    return m_Connection;
}

void TCKnmsKeeper::Expose(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Name = name;
    if (m_Connection && m_Connection->IsOpen()) {
        try {
            m_Connection->SendPayload(KnmsWire::SimpleFrame("register", "name", name));
        } catch (const TCException&) {
        }
    }
    if (!m_Thread.joinable()) m_Thread = std::thread(&TCKnmsKeeper::Run, this);
}

void TCKnmsKeeper::Subscribe(int mailClassID) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (!m_Subscriptions.insert(mailClassID).second) return;
    if (m_Connection && m_Connection->IsOpen()) {
        try {
            m_Connection->SendPayload(KnmsWire::SimpleFrame("subscribe", "mailClass", mailClassID));
        } catch (const TCException&) {
        }
    }
}

std::shared_ptr<TCKnmsConnection> TCKnmsKeeper::Current(std::string& error) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return ConnectLocked(error);
}

bool TCKnmsKeeper::IsConnected() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Connection && m_Connection->IsOpen();
}

bool TCKnmsKeeper::IsRegistered() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Connection && m_Connection->IsOpen() && m_Connection->IsRegistered();
}

void TCKnmsKeeper::Run() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    while (!m_Stop) {
        std::string error;
        const auto connection = ConnectLocked(error);
        // The name may still be held by this proxy's previous connection until the router has seen it
        // close: ask again.
        if (connection && connection->TakeRefusal() && !m_Name.empty()) {
            m_Wake.wait_for(lock, std::chrono::milliseconds(1000), [this] { return m_Stop; });
            try {
                if (!m_Stop) connection->SendPayload(KnmsWire::SimpleFrame("register", "name", m_Name));
            } catch (const TCException&) {
            }
        }
        m_Wake.wait_for(lock, std::chrono::milliseconds(200), [this] { return m_Stop; });
    }
}
