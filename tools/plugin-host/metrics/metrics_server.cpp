#include "tools/plugin-host/metrics/metrics_server.h"

#include <chrono>
#include <iostream>
#include <pthread.h>
#include <stdexcept>
#include <thread>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "tools/plugin-host/metrics/exposition.h"

namespace plugin_host {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

// A client that sends nothing for this long is let go.
constexpr auto IDLE_CLIENT = std::chrono::seconds(30);

// One client connection: requests answered one after the other, kept open
// as long as the client wants (Prometheus keeps it between scrapes).
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket socket, const SnapshotBoard& board) : stream_(std::move(socket)), board_(board) {}

    void read()
    {
        request_ = {};
        stream_.expires_after(IDLE_CLIENT);
        http::async_read(stream_, buffer_, request_,
                         [self = shared_from_this()](beast::error_code error, std::size_t) {
                             if (!error) {
                                 self->answer();
                             }
                         });
    }

private:
    void answer()
    {
        response_ = {};
        response_.version(request_.version());
        response_.keep_alive(request_.keep_alive());
        const beast::string_view target = request_.target();
        const beast::string_view path = target.substr(0, target.find('?'));
        if (request_.method() != http::verb::get && request_.method() != http::verb::head) {
            response_.result(http::status::method_not_allowed);
            response_.set(http::field::allow, "GET, HEAD");
            response_.body() = "only GET\n";
        } else if (path != "/metrics") {
            response_.result(http::status::not_found);
            response_.body() = "not found: the metrics are at /metrics\n";
        } else {
            response_.result(http::status::ok);
            response_.set(http::field::content_type, EXPOSITION_CONTENT_TYPE);
            response_.body() = exposition_text(board_.current(), std::chrono::steady_clock::now());
        }
        if (response_.result() != http::status::ok) {
            response_.set(http::field::content_type, "text/plain; charset=utf-8");
        }
        response_.prepare_payload();
        if (request_.method() == http::verb::head) {
            response_.body().clear();
        }
        http::async_write(stream_, response_, [self = shared_from_this()](beast::error_code error, std::size_t) {
            if (error) {
                return;
            }
            if (self->response_.keep_alive()) {
                self->read();
            } else {
                beast::error_code ignored;
                self->stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
            }
        });
    }

    beast::tcp_stream stream_;
    const SnapshotBoard& board_;
    beast::flat_buffer buffer_;
    http::request<http::string_body> request_;
    http::response<http::string_body> response_;
};

}  // namespace

class MetricsServer::Impl {
public:
    Impl(const ListenAddress& where, const SnapshotBoard& board) : board_(board), acceptor_(io_)
    {
        beast::error_code error;
        const asio::ip::address address = asio::ip::make_address(where.address, error);
        if (error) {
            throw std::runtime_error("metrics: " + where.address + " is not an IP address");
        }
        const tcp::endpoint endpoint(address, where.port);
        const std::string named = where.address + ":" + std::to_string(where.port);
        acceptor_.open(endpoint.protocol(), error);
        if (!error) {
            acceptor_.set_option(asio::socket_base::reuse_address(true), error);
            acceptor_.bind(endpoint, error);
        }
        if (!error) {
            acceptor_.listen(asio::socket_base::max_listen_connections, error);
        }
        if (error) {
            throw std::runtime_error("metrics: cannot listen on " + named + ": " + error.message());
        }
        port_ = acceptor_.local_endpoint().port();
        std::cerr << "plugin-host run: metrics on http://"
                  << (address.is_v6() ? "[" + where.address + "]" : where.address) << ":" << port_ << "/metrics"
                  << std::endl;
        accept();
        thread_ = std::thread([this] { io_.run(); });
        // Named, so that its share of the host's CPU can be told (bench/site-load).
        pthread_setname_np(thread_.native_handle(), "metrics");
    }

    ~Impl()
    {
        io_.stop();
        thread_.join();
    }

    unsigned short port() const { return port_; }

private:
    void accept()
    {
        acceptor_.async_accept([this](beast::error_code error, tcp::socket socket) {
            if (!error) {
                std::make_shared<Session>(std::move(socket), board_)->read();
            }
            accept();
        });
    }

    const SnapshotBoard& board_;
    asio::io_context io_;
    tcp::acceptor acceptor_;
    unsigned short port_ = 0;
    std::thread thread_;
};

ListenAddress parse_listen_address(const std::string& text)
{
    ListenAddress where;
    std::string port = text;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        where.address = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (where.address.size() > 2 && where.address.front() == '[' && where.address.back() == ']') {
            where.address = where.address.substr(1, where.address.size() - 2);
        }
        if (where.address.empty()) {
            throw std::invalid_argument("\"" + text + "\" has no address before the port");
        }
    }
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(port) > 65535) {
        throw std::invalid_argument("\"" + text + "\" is not PORT or ADDRESS:PORT (a port from 0 to 65535)");
    }
    where.port = static_cast<unsigned short>(std::stoul(port));
    return where;
}

MetricsServer::MetricsServer(const ListenAddress& where, const SnapshotBoard& board)
    : impl_(std::make_unique<Impl>(where, board))
{
}

MetricsServer::~MetricsServer() = default;

unsigned short MetricsServer::port() const { return impl_->port(); }

std::unique_ptr<MetricsServer> serve_metrics(const std::string& where, const SnapshotBoard& board)
{
    if (where.empty()) {
        return nullptr;
    }
    try {
        return std::make_unique<MetricsServer>(parse_listen_address(where), board);
    } catch (const std::invalid_argument& error) {
        throw std::invalid_argument(std::string("metrics: ") + error.what());
    }
}

}  // namespace plugin_host
