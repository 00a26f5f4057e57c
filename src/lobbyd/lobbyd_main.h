// The vantorel-lobbyd process: its command line, the READY line for a starter, and the run until
// SIGTERM or SIGINT.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "lobbyd/service.h"

namespace vt::lobbyd {

struct LobbydArgs {
  ServiceOptions service;
  std::string config;  // --config: lobbyd.ini
  std::string admin;   // --admin: the admin socket's path
  int readyFd = -1;    // --ready-fd: "READY tcp=<port> udp=<port>" is written there
  bool insecureLan = false;
};

// Parses the options (the program name excluded). nullopt and the reason in `error` for an
// unknown option, a missing or bad value.
std::optional<LobbydArgs> ParseLobbydArgs(const std::vector<std::string>& args, std::string* error);

// The line a starter reads from the ready fd.
std::string ReadyLine(uint16_t tcpPort, uint16_t udpPort);

// "vantorel-lobbyd admin [--admin socket] <command>": one line to the admin socket, the answer to
// standard output.
int AdminClientMain(const std::vector<std::string>& args);

int LobbydMain(int argc, char** argv);

}  // namespace vt::lobbyd
