// vantorel-lobbyd: options, start, the READY line, and a clean stop on SIGTERM or SIGINT.
#include "lobbyd/lobbyd_main.h"

#include <signal.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lobby/host_port.h"
#include "lobbyd/address_policy.h"
#include "lobbyd/admin_commands.h"
#include "lobbyd/lobbyd_config.h"

namespace vt::lobbyd {

namespace {
constexpr const char* kUsage =
    "usage: vantorel-lobbyd [--listen host:port] [--db file] [--config lobbyd.ini] [--admin socket]\n"
    "                       [--test-mode] [--id-seed n] [--ready-fd fd] [--registration open|closed]\n"
    "                       [--insecure-lan]\n";

bool ParseU64(const std::string& text, uint64_t& out) {
  if (text.empty() || text.size() > 20) return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || text[0] == '-') return false;
  out = v;
  return true;
}
}  // namespace

std::optional<LobbydArgs> ParseLobbydArgs(const std::vector<std::string>& args, std::string* error) {
  LobbydArgs out;
  out.service.db = "lobby.db";
  auto bad = [&](const std::string& why) -> std::optional<LobbydArgs> {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    std::string v;
    if (a == "--test-mode") {
      out.service.testMode = true;
    } else if (a == "--insecure-lan") {
      out.insecureLan = true;
    } else if (a == "--listen" || a == "--db" || a == "--config" || a == "--admin" || a == "--id-seed" ||
               a == "--ready-fd" || a == "--registration") {
      if (!value(v) || v.empty()) return bad(a + " needs a value");
      uint64_t n = 0;
      if (a == "--listen") {
        out.service.listen = v;
      } else if (a == "--db") {
        out.service.db = v;
      } else if (a == "--config") {
        out.config = v;
      } else if (a == "--admin") {
        out.admin = v;
      } else if (a == "--id-seed") {
        if (!ParseU64(v, n)) return bad("--id-seed needs a decimal number");
        out.service.idSeed = n;
      } else if (a == "--ready-fd") {
        if (!ParseU64(v, n) || n > 1 << 20) return bad("--ready-fd needs a file descriptor number");
        out.readyFd = static_cast<int>(n);
      } else if (v == "open" || v == "closed") {
        out.service.registrationOpen = v == "open";
      } else {
        return bad("--registration is open or closed");
      }
    } else {
      return bad("unknown option " + a);
    }
  }
  return out;
}

std::string ReadyLine(uint16_t tcpPort, uint16_t udpPort) {
  return "READY tcp=" + std::to_string(tcpPort) + " udp=" + std::to_string(udpPort) + "\n";
}

int AdminClientMain(const std::vector<std::string>& args) {
  // vantorel-lobbyd admin [--admin socket] <command words...>
  std::string path = "lobbyd-admin.sock";
  std::string line;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--admin" && i + 1 < args.size()) {
      path = args[++i];
    } else {
      line += (line.empty() ? "" : " ") + args[i];
    }
  }
  if (line.empty()) {
    std::fprintf(stderr, "usage: vantorel-lobbyd admin [--admin socket] <command>\n");
    return 2;
  }
  sockaddr_un addr{};
  if (path.size() >= sizeof(addr.sun_path)) {
    std::fprintf(stderr, "vantorel-lobbyd: %s: path too long\n", path.c_str());
    return 2;
  }
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    std::fprintf(stderr, "vantorel-lobbyd: %s: %s\n", path.c_str(), std::strerror(errno));
    ::close(fd);
    return 1;
  }
  line += "\n";
  ::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
  ::shutdown(fd, SHUT_WR);
  char buffer[4096];
  for (ssize_t n; (n = ::recv(fd, buffer, sizeof(buffer), 0)) > 0;)
    std::fwrite(buffer, 1, static_cast<size_t>(n), stdout);
  ::close(fd);
  return 0;
}

int LobbydMain(int argc, char** argv) {
  if (argc >= 2 && std::string_view(argv[1]) == "admin")
    return AdminClientMain(std::vector<std::string>(argv + 2, argv + argc));
  std::string error;
  std::optional<LobbydArgs> args = ParseLobbydArgs(std::vector<std::string>(argv + 1, argv + argc), &error);
  if (!args) {
    std::fprintf(stderr, "vantorel-lobbyd: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  // The control connection is plain TCP until it is encrypted: loopback, or a private address
  // with --insecure-lan; never a public or wildcard one.
  const ListenDecision listen = CheckListenAddress(args->service.listen, args->insecureLan);
  if (!listen.address) {
    std::fprintf(stderr, "vantorel-lobbyd: %s\n", listen.message.c_str());
    return 2;
  }
  lobby::HostPort bind = *listen.address;
  if (strcasecmp(bind.host.c_str(), "localhost") == 0) bind.host = "127.0.0.1";
  args->service.listen = lobby::FormatHostPort(bind);
  // Without --config the game's own settings are served. A file the service cannot serve is
  // refused at start rather than half applied.
  if (!args->config.empty()) {
    LobbydConfig config;
    if (!LoadLobbydConfig(args->config, config, &error)) {
      std::fprintf(stderr, "vantorel-lobbyd: %s\n", error.c_str());
      return 2;
    }
    std::string problem;
    if (!ServableLobbydConfig(config, problem)) {
      std::fprintf(stderr, "vantorel-lobbyd: %s: %s\n", args->config.c_str(), problem.c_str());
      return 2;
    }
    args->service.config = std::move(config);
  }
  args->service.adminHandler = RunAdminLine;
  // The signals are taken by sigtimedwait below: blocked here, before any thread starts, so the
  // loop thread never receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  args->service.adminPath = args->admin;
  Service service(args->service);
  if (!service.start(&error)) {
    std::fprintf(stderr, "vantorel-lobbyd: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "vantorel-lobbyd: listening on port %u (tcp and udp)\n", service.tcpPort());
  if (args->readyFd >= 0) {
    const std::string line = ReadyLine(service.tcpPort(), service.udpPort());
    [[maybe_unused]] ssize_t n = ::write(args->readyFd, line.data(), line.size());
    ::close(args->readyFd);
  }
  timespec wait{0, 200 * 1000000L};
  while (!service.stopped()) {
    const int sig = sigtimedwait(&stopSignals, nullptr, &wait);
    if (sig == SIGTERM || sig == SIGINT) break;
  }
  service.stop();
  std::fprintf(stderr, "vantorel-lobbyd: stopped\n");
  return 0;
}

}  // namespace vt::lobbyd
