// The service's admin commands: one line parsed and carried out on the loop thread, answered
// with "ok", the figures asked for, or "error: <why>".
#pragma once

#include <string>
#include <string_view>

namespace vt::lobbyd {

class AdminOps;

std::string RunAdminLine(AdminOps& ops, std::string_view line);

}  // namespace vt::lobbyd
