#include "Mail/TCKnmsRouter.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/local/stream_protocol.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>

#include "Host/TCException.h"
#include "mail/KnmsWire.h"

namespace asio = boost::asio;
using Local = asio::local::stream_protocol;
namespace fs = std::filesystem;

bool TCKnmsRouter::IsPeerAllowed(uid_t peerUid, gid_t peerGid, uid_t ownUid, long allowedGroup) {
    if (peerUid == ownUid) return true;
    return allowedGroup >= 0 && static_cast<long>(peerGid) == allowedGroup;
}

class TCKnmsRouter::Impl {
public:
    class Session;
    using SessionPtr = std::shared_ptr<Session>;

    explicit Impl(TCKnmsRouterConfig config)
        : m_Config(std::move(config)), m_Acceptor(m_Io), m_AcceptRetry(m_Io) {
        if (!m_Config.log) m_Config.log = [](const std::string& text) { std::cerr << text << "\n"; };
    }

    void Start();
    void Stop();
    void Log(const std::string& text) { m_Config.log("mail router: " + text); }

    // Runs on the router's thread only, like everything that touches the tables below.
    void Route(Session& from, const rapidjson::Document& frame);
    void Register(Session& session, const std::string& name);
    void Forget(Session& session);

    TCKnmsRouterConfig m_Config;
    asio::io_context m_Io;
    Local::acceptor m_Acceptor;
    asio::steady_timer m_AcceptRetry;
    std::thread m_Thread;
    bool m_Started = false;
    uint64_t m_NextID = 1;
    std::map<uint64_t, std::weak_ptr<Session>> m_Sessions;
    std::map<std::string, uint64_t> m_Names;
    std::map<int, std::set<uint64_t>> m_Subscribers;

private:
    void Accept();
};

class TCKnmsRouter::Impl::Session : public std::enable_shared_from_this<Session> {
public:
    Session(Impl& router, Local::socket socket, uint64_t id)
        : m_Router(router), m_Socket(std::move(socket)), m_StallTimer(router.m_Io), m_ID(id) {}

    uint64_t ID() const { return m_ID; }
    std::string Address() const { return "#" + std::to_string(m_ID); }
    std::string Describe() const {
        return "connection " + Address() + (m_Name.empty() ? std::string() : " (" + m_Name + ")");
    }
    std::string m_Name;

    void Start() { Read(); }

    void Post(const std::string& payload) {
        if (m_Closed) return;
        m_Queued += payload.size();
        if (m_Queued > m_Router.m_Config.maxQueuedBytesPerPeer) {
            Close(Describe() + " does not read its mails, closed");
            return;
        }
        m_Outgoing.push_back(std::make_shared<std::string>(KnmsWire::MakeFrame(payload)));
        if (m_Outgoing.size() == 1) WriteNext();
    }

    void Close(const std::string& why) {
        if (m_Closed) return;
        m_Closed = true;
        if (!why.empty()) m_Router.Log(why);
        boost::system::error_code ignored;
        m_StallTimer.cancel();
        m_Socket.shutdown(Local::socket::shutdown_both, ignored);
        m_Socket.close(ignored);
        m_Router.Forget(*this);
    }

private:
    // Reads what is there and routes every whole frame in it, so that a frame usually costs one read and
    // the stall timer runs only while a frame is incomplete.
    void Read() {
        const size_t chunk = 64 * 1024;
        if (m_In.size() < m_InUsed + chunk) m_In.resize(m_InUsed + chunk);
        auto self = shared_from_this();
        m_Socket.async_read_some(asio::buffer(m_In.data() + m_InUsed, m_In.size() - m_InUsed),
                                 [this, self](const boost::system::error_code& ec, size_t n) {
                                     if (m_Closed) return;
                                     if (ec)
                                         return Close(m_InUsed > 0 ? Describe() + " ended mid-frame" : "");
                                     m_InUsed += n;
                                     if (RouteWholeFrames()) Read();
                                 });
    }

    // False when the connection was closed.
    bool RouteWholeFrames() {
        size_t offset = 0;
        bool routed = false;
        while (m_InUsed - offset >= KnmsWire::HEADER_BYTES) {
            const uint32_t size =
                KnmsWire::DecodeHeader(reinterpret_cast<const unsigned char*>(&m_In[offset]));
            if (size > TCKnmsRouter::MAX_FRAME_BYTES) {
                Close(Describe() + " sent a frame of " + std::to_string(size) +
                      " bytes, over the limit; closed");
                return false;
            }
            // The buffer grows with what arrives, never with what a header announces: a few bytes must not
            // reserve megabytes.
            if (m_InUsed - offset - KnmsWire::HEADER_BYTES < size) break;
            rapidjson::Document frame;
            if (!KnmsWire::ParseFrame(std::string(&m_In[offset + KnmsWire::HEADER_BYTES], size), frame)) {
                Close(Describe() + " sent a malformed frame; closed");
                return false;
            }
            offset += KnmsWire::HEADER_BYTES + size;
            routed = true;
            m_Router.Route(*this, frame);
            if (m_Closed) return false;
        }
        if (offset > 0) {
            std::copy(m_In.begin() + long(offset), m_In.begin() + long(m_InUsed), m_In.begin());
            m_InUsed -= offset;
        }
        // Huge frames are rare; their buffer is not kept.
        if (m_InUsed == 0 && m_In.size() > 1024 * 1024) std::vector<char>().swap(m_In);
        if (m_InUsed == 0) {
            if (m_StallArmed) m_StallTimer.cancel();
            m_StallArmed = false;
        } else if (routed || !m_StallArmed) {
            ArmStallTimer(); // a new frame began
        }
        return true;
    }

    void ArmStallTimer() {
        m_StallArmed = true;
        m_StallTimer.expires_after(std::chrono::milliseconds(m_Router.m_Config.stallTimeoutMs));
        auto self = shared_from_this();
        m_StallTimer.async_wait([this, self](const boost::system::error_code& ec) {
            // A frame completed just as the timer ran out has already disarmed it.
            if (!ec && !m_Closed && m_StallArmed && m_StallTimer.expiry() <= std::chrono::steady_clock::now())
                Close(Describe() + " stalled mid-frame; closed");
        });
    }

    void WriteNext() {
        auto self = shared_from_this();
        auto frame = m_Outgoing.front();
        asio::async_write(m_Socket, asio::buffer(*frame),
                          [this, self, frame](const boost::system::error_code& ec, size_t) {
                              if (m_Closed) return;
                              if (ec) return Close(Describe() + " could not be written to; closed");
                              m_Queued -= frame->size() - KnmsWire::HEADER_BYTES;
                              m_Outgoing.pop_front();
                              if (!m_Outgoing.empty()) WriteNext();
                          });
    }

    Impl& m_Router;
    Local::socket m_Socket;
    asio::steady_timer m_StallTimer;
    uint64_t m_ID;
    std::vector<char> m_In;
    size_t m_InUsed = 0;
    bool m_StallArmed = false;
    std::deque<std::shared_ptr<std::string>> m_Outgoing;
    size_t m_Queued = 0;
    bool m_Closed = false;
};

void TCKnmsRouter::Impl::Start() {
    const fs::path socketPath(m_Config.socketPath);
    const fs::path dir = socketPath.parent_path();
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw TCException(__FILE__, __LINE__, "Cannot create " + dir.string() + ": " + ec.message());
    const bool group = m_Config.allowedGroup >= 0;
    if (group && ::chown(dir.c_str(), static_cast<uid_t>(-1), static_cast<gid_t>(m_Config.allowedGroup)) != 0)
        throw TCException(__FILE__, __LINE__, "Cannot give " + dir.string() + " to the allowed group");
    if (::chmod(dir.c_str(), group ? 0710 : 0700) != 0)
        throw TCException(__FILE__, __LINE__, "Cannot restrict " + dir.string());

    if (fs::exists(fs::symlink_status(socketPath))) {
        // A socket left by a router that died is removed; one that answers belongs to a live router.
        Local::socket probe(m_Io);
        boost::system::error_code probeError;
        probe.connect(Local::endpoint(m_Config.socketPath), probeError);
        if (!probeError)
            throw TCException(__FILE__, __LINE__, "Another mail router serves " + m_Config.socketPath);
        fs::remove(socketPath, ec);
    }
    boost::system::error_code bindError;
    m_Acceptor.open(Local(), bindError);
    if (!bindError) m_Acceptor.bind(Local::endpoint(m_Config.socketPath), bindError);
    if (!bindError) m_Acceptor.listen(asio::socket_base::max_listen_connections, bindError);
    if (bindError)
        throw TCException(__FILE__, __LINE__,
                          "Cannot listen on " + m_Config.socketPath + ": " + bindError.message());
    if (group && ::chown(m_Config.socketPath.c_str(), static_cast<uid_t>(-1),
                         static_cast<gid_t>(m_Config.allowedGroup)) != 0)
        throw TCException(__FILE__, __LINE__, "Cannot give the mail socket to the allowed group");
    if (::chmod(m_Config.socketPath.c_str(), group ? 0660 : 0600) != 0)
        throw TCException(__FILE__, __LINE__, "Cannot restrict the mail socket");

    Accept();
    m_Started = true;
    m_Thread = std::thread([this] { m_Io.run(); });
}

void TCKnmsRouter::Impl::Accept() {
    m_Acceptor.async_accept([this](const boost::system::error_code& ec, Local::socket socket) {
        if (ec == asio::error::operation_aborted) return;
        if (ec) {
            // Out of descriptors, say: accepting again at once would only spin.
            Log("accept failed: " + ec.message());
            m_AcceptRetry.expires_after(std::chrono::milliseconds(100));
            m_AcceptRetry.async_wait([this](const boost::system::error_code& waited) {
                if (!waited) Accept();
            });
            return;
        }
        struct ucred peer {};
        socklen_t length = sizeof(peer);
        if (::getsockopt(socket.native_handle(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
            !TCKnmsRouter::IsPeerAllowed(peer.uid, peer.gid, ::geteuid(), m_Config.allowedGroup)) {
            Log("refused peer pid " + std::to_string(peer.pid) + " uid " + std::to_string(peer.uid) +
                " gid " + std::to_string(peer.gid));
            boost::system::error_code ignored;
            socket.close(ignored);
        } else {
            const uint64_t id = m_NextID++;
            auto session = std::make_shared<Session>(*this, std::move(socket), id);
            m_Sessions[id] = session;
            session->Start();
        }
        Accept();
    });
}

void TCKnmsRouter::Impl::Stop() {
    if (!m_Started) return;
    m_Started = false;
    asio::post(m_Io, [this] {
        boost::system::error_code ignored;
        m_Acceptor.close(ignored);
        m_AcceptRetry.cancel();
        std::vector<SessionPtr> open;
        for (auto& entry : m_Sessions)
            if (auto session = entry.second.lock()) open.push_back(session);
        for (auto& session : open)
            session->Close("");
        m_Io.stop();
    });
    if (m_Thread.joinable()) m_Thread.join();
    std::error_code ec;
    fs::remove(m_Config.socketPath, ec);
}

void TCKnmsRouter::Impl::Forget(Session& session) {
    m_Sessions.erase(session.ID());
    if (!session.m_Name.empty()) {
        const auto found = m_Names.find(session.m_Name);
        if (found != m_Names.end() && found->second == session.ID()) m_Names.erase(found);
    }
    for (auto& entry : m_Subscribers)
        entry.second.erase(session.ID());
}

void TCKnmsRouter::Impl::Register(Session& session, const std::string& name) {
    const auto found = m_Names.find(name);
    if (name.empty() || name[0] == '#' || name == "*" ||
        (found != m_Names.end() && found->second != session.ID() && m_Sessions.count(found->second))) {
        Log(session.Describe() + " asked for the name " + name + ", which is taken or invalid");
        session.Post(KnmsWire::SimpleFrame("refused", "name", name));
        return;
    }
    if (!session.m_Name.empty()) m_Names.erase(session.m_Name);
    session.m_Name = name;
    m_Names[name] = session.ID();
    session.Post(KnmsWire::SimpleFrame("registered", "name", name));
}

void TCKnmsRouter::Impl::Route(Session& from, const rapidjson::Document& frame) {
    const std::string op = frame["op"].GetString();
    if (op == "register") {
        const auto name = frame.FindMember("name");
        if (name == frame.MemberEnd() || !name->value.IsString())
            return from.Close(from.Describe() + " sent a malformed frame; closed");
        return Register(from, name->value.GetString());
    }
    if (op == "subscribe") {
        const auto mailClass = frame.FindMember("mailClass");
        if (mailClass == frame.MemberEnd() || !mailClass->value.IsInt())
            return from.Close(from.Describe() + " sent a malformed frame; closed");
        m_Subscribers[mailClass->value.GetInt()].insert(from.ID());
        return;
    }
    if (op != "mail") return from.Close(from.Describe() + " sent an unknown frame; closed");

    const auto to = frame.FindMember("to");
    const auto mailValue = frame.FindMember("mail");
    TCKnmsMessage mail;
    std::string error;
    if (to == frame.MemberEnd() || !to->value.IsString() || mailValue == frame.MemberEnd() ||
        !KnmsWire::ReadMail(mailValue->value, mail, error))
        return from.Close(from.Describe() + " sent a malformed mail (" +
                          (error.empty() ? "no address" : error) + "); closed");

    const std::string target = to->value.GetString();
    // The sender is always stamped here: a peer cannot pass itself off as another.
    const std::string forwarded = KnmsWire::MailFrame("from", from.Address(), mail);
    // The receiver holds the router to the same limit; a mail that only its new sender stamp pushes over
    // it would cost the receiver its connection.
    if (forwarded.size() > TCKnmsRouter::MAX_FRAME_BYTES)
        return from.Close(from.Describe() + " sent a mail too large to pass on; closed");
    if (target == "*") {
        for (uint64_t id : m_Subscribers[mail.get_MailClassID()]) {
            const auto session = m_Sessions.count(id) ? m_Sessions[id].lock() : nullptr;
            if (session && session->ID() != from.ID()) session->Post(forwarded);
        }
        return;
    }
    SessionPtr destination;
    if (target.size() > 1 && target[0] == '#') {
        try {
            const auto found = m_Sessions.find(std::stoull(target.substr(1)));
            if (found != m_Sessions.end()) destination = found->second.lock();
        } catch (const std::exception&) {
        }
    } else {
        const auto found = m_Names.find(target);
        if (found != m_Names.end() && m_Sessions.count(found->second))
            destination = m_Sessions[found->second].lock();
    }
    if (!destination) {
        // The reply to a client that went away has nowhere to go; a request is answered as undeliverable.
        if (mail.IsRequest()) {
            rapidjson::StringBuffer buffer;
            KnmsWire::JsonWriter writer(buffer);
            writer.StartObject();
            writer.Key("op");
            writer.String("undeliverable");
            writer.Key("seq");
            writer.Uint64(mail.get_Sequence());
            writer.Key("to");
            writer.String(target.c_str());
            writer.EndObject();
            from.Post(std::string(buffer.GetString(), buffer.GetSize()));
        }
        return;
    }
    destination->Post(forwarded);
}

TCKnmsRouter::TCKnmsRouter(TCKnmsRouterConfig config) : m_Impl(std::make_unique<Impl>(std::move(config))) {}

TCKnmsRouter::~TCKnmsRouter() {
    Stop();
}

void TCKnmsRouter::Start() {
    m_Impl->Start();
}

void TCKnmsRouter::Stop() {
    m_Impl->Stop();
}
