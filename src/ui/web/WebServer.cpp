#include "ui/web/WebServer.h"

#include <fcntl.h>
#include <httplib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "ui/web/WebAssets.h"

namespace tidy::web {

namespace {

constexpr const char* kTokenHeader = "X-Tidymatic-Token";
constexpr const char* kTokenPlaceholder = "__TOKEN__";

bool EqualsAsciiIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// Compares without stopping at the first difference, so timing tells nothing of the token.
bool TokenMatches(std::string_view got, std::string_view expected) {
    if (expected.empty() || got.size() != expected.size()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < got.size(); ++i)
        diff |= static_cast<unsigned char>(got[i] ^ expected[i]);
    return diff == 0;
}

std::string_view MimeType(std::string_view path) {
    auto ends = [&](std::string_view ext) {
        return path.size() >= ext.size() && path.substr(path.size() - ext.size()) == ext;
    };
    if (ends(".html")) return "text/html; charset=utf-8";
    if (ends(".js")) return "text/javascript; charset=utf-8";
    if (ends(".css")) return "text/css; charset=utf-8";
    if (ends(".svg")) return "image/svg+xml";
    if (ends(".png")) return "image/png";
    if (ends(".json")) return "application/json";
    return "application/octet-stream";
}

const WebAsset* FindAsset(std::string_view path) {
    for (const WebAsset& a : WebAssets())
        if (a.path == path) return &a;
    return nullptr;
}

void ReplyJson(httplib::Response& res, int status, const nlohmann::json& body) {
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                    "application/json");
}

void ReplyError(httplib::Response& res, int status, const std::string& reason) {
    ReplyJson(res, status, {{"ok", false}, {"error", reason}});
}

std::string Event(const StateHub::State& s) {
    return "id: " + std::to_string(s.version) + "\nevent: state\ndata: " + s.json + "\n\n";
}

}  // namespace

std::string RandomToken() {
    unsigned char bytes[16];
    int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = ::read(fd, bytes + got, sizeof bytes - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got != sizeof bytes) return {};
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (unsigned char b : bytes) {
        token += digits[b >> 4];
        token += digits[b & 15];
    }
    return token;
}

std::string CheckRequest(std::string_view host, std::string_view origin, bool hasOrigin,
                         std::string_view token, std::string_view expectedToken, int port) {
    const std::string portText = ":" + std::to_string(port);
    // A foreign Host means another name resolved to this machine (DNS rebinding): refuse it.
    bool hostOk =
        host == "127.0.0.1" + portText || EqualsAsciiIgnoreCase(host, "localhost" + portText);
    if (!hostOk) return "the Host header does not name this server";
    if (hasOrigin && !EqualsAsciiIgnoreCase(origin, "http://" + std::string(host)))
        return "the request comes from another site";
    if (!TokenMatches(token, expectedToken)) return "the token is missing or wrong";
    return {};
}

WebServer::WebServer(StateHub& hub, InputHandler input) : hub_(hub), input_(std::move(input)) {}

WebServer::~WebServer() {
    Stop();
}

std::string WebServer::Url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/?token=" + token_;
}

int WebServer::OpenStreams() const {
    std::lock_guard lock(streamsMutex_);
    return static_cast<int>(streams_.size());
}

std::shared_ptr<WebServer::Stream> WebServer::OpenStream() {
    auto s = std::make_shared<Stream>();
    std::lock_guard lock(streamsMutex_);
    streams_.push_back(s);
    // A page that reconnects leaves its old stream behind for a while; the oldest make room.
    while (static_cast<int>(streams_.size()) > kMaxStreams) {
        streams_.front()->cut = true;
        streams_.pop_front();
    }
    return s;
}

void WebServer::CloseStream(const std::shared_ptr<Stream>& s) {
    std::lock_guard lock(streamsMutex_);
    streams_.remove(s);
}

bool WebServer::Start(int port, std::string& error) {
    if (server_) {
        error = "the server is running already";
        return false;
    }
    if (port < 0 || port > 65535) {
        error = "port " + std::to_string(port) + " is out of range";
        return false;
    }
    token_ = RandomToken();
    if (token_.empty()) {
        error = "no random token could be made (/dev/urandom is unreadable)";
        return false;
    }
    const WebAsset* index = FindAsset("index.html");
    if (!index) {
        error = "the page is missing from the executable";
        return false;
    }
    index_ = std::string(index->bytes);
    for (size_t at = index_.find(kTokenPlaceholder); at != std::string::npos;
         at = index_.find(kTokenPlaceholder, at + token_.size()))
        index_.replace(at, std::string_view(kTokenPlaceholder).size(), token_);

    server_ = std::make_unique<httplib::Server>();
    // Streams hold a thread each; leave room for them beside ordinary requests.
    server_->new_task_queue = [] { return new httplib::ThreadPool(kMaxStreams + 8); };
    // Address reuse only: the library's default also shares the port (SO_REUSEPORT), which
    // would let a second server on the same port take part of this one's connections.
    server_->set_socket_options([](int sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // A response goes out in more than one write (head, then body); without this the second
    // write waits for the client's delayed acknowledgement, some 40 ms for every request on a
    // kept-alive connection (the page's assets, state reads and inputs).
    server_->set_tcp_nodelay(true);
    server_->set_payload_max_length(kMaxBody);
    server_->set_keep_alive_timeout(2);
    server_->set_read_timeout(5);
    server_->set_write_timeout(5);
    server_->set_default_headers({{"Cache-Control", "no-store"},
                                  {"X-Content-Type-Options", "nosniff"},
                                  {"Referrer-Policy", "no-referrer"},
                                  {"X-Frame-Options", "DENY"}});
    Routes();

    if (port == 0) {
        port_ = server_->bind_to_any_port("127.0.0.1");
        if (port_ <= 0) {
            error = "no free port on 127.0.0.1";
            server_.reset();
            return false;
        }
    } else {
        if (!server_->bind_to_port("127.0.0.1", port)) {
            error = "port " + std::to_string(port) + " on 127.0.0.1 is not free";
            server_.reset();
            return false;
        }
        port_ = port;
    }
    stopping_ = false;
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    return true;
}

void WebServer::Stop() {
    if (!server_) return;
    stopping_ = true;
    hub_.Shutdown();
    {
        std::lock_guard lock(streamsMutex_);
        for (auto& s : streams_) s->cut = true;
    }
    server_->stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
}

void WebServer::Routes() {
    httplib::Server& srv = *server_;

    srv.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        std::string token = req.has_param("token") ? req.get_param_value("token")
                                                   : req.get_header_value(kTokenHeader);
        std::string why = CheckRequest(req.get_header_value("Host"), req.get_header_value("Origin"),
                                       req.has_header("Origin"), token, token_, port_);
        if (why.empty()) return httplib::Server::HandlerResponse::Unhandled;
        res.status = 403;
        res.set_header("Connection", "close");
        res.set_content("Forbidden: " + why + "\n", "text/plain; charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
    });

    auto page = [this](const httplib::Request&, httplib::Response& res) {
        res.set_header("Content-Security-Policy",
                       "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'; "
                       "base-uri 'none'; form-action 'none'");
        res.set_content(index_, std::string(MimeType(".html")));
    };
    srv.Get("/", page);
    srv.Get("/index.html", page);

    srv.Get("/state", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(hub_.Current().json, "application/json");
    });

    srv.Get("/events", [this](const httplib::Request&, httplib::Response& res) {
        auto stream = OpenStream();
        struct Cursor {
            bool started = false;
            uint64_t sent = 0;
            std::chrono::steady_clock::time_point lastWrite = std::chrono::steady_clock::now();
        };
        auto cursor = std::make_shared<Cursor>();
        res.set_chunked_content_provider(
            "text/event-stream",
            [this, stream, cursor](size_t, httplib::DataSink& sink) {
                using namespace std::chrono;
                if (stream->cut || stopping_) return false;
                StateHub::State st;
                std::string out;
                if (!cursor->started) {
                    cursor->started = true;
                    st = hub_.Current();
                    out = "retry: 1000\n\n" + Event(st);
                } else if (hub_.WaitChange(cursor->sent, milliseconds(500), st)) {
                    out = Event(st);
                } else if (stream->cut || stopping_) {
                    return false;
                } else if (steady_clock::now() - cursor->lastWrite > seconds(10)) {
                    // Finds connections the page has left, and tells the page the stream lives.
                    out = "event: ping\ndata: \n\n";
                } else {
                    return true;
                }
                if (!out.empty() && st.version) cursor->sent = st.version;
                cursor->lastWrite = steady_clock::now();
                return sink.write(out.data(), out.size());
            },
            [this, stream](bool) { CloseStream(stream); });
    });

    srv.Post("/input", [this](const httplib::Request& req, httplib::Response& res) {
        std::string type = req.get_header_value("Content-Type");
        if (type.rfind("application/json", 0) != 0) {
            ReplyError(res, 415, "input must be sent as application/json");
            return;
        }
        InputReply reply;
        try {
            reply = input_(req.body);
        } catch (const std::exception& e) {
            reply = {500, {{"ok", false}, {"error", std::string("internal error: ") + e.what()}}};
        }
        ReplyJson(res, reply.status, reply.body);
    });

    // The page's other assets; nothing outside the compiled-in table is ever served.
    srv.Get(R"(/([A-Za-z0-9_.\-]+))", [](const httplib::Request& req, httplib::Response& res) {
        const WebAsset* a = FindAsset(req.matches[1].str());
        if (!a || a->path == "index.html") {
            res.status = 404;
            res.set_content("Not found\n", "text/plain; charset=utf-8");
            return;
        }
        res.set_content(std::string(a->bytes), std::string(MimeType(a->path)));
    });
}

}  // namespace tidy::web
