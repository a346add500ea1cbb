#include "cli/json_output.h"

#include <cstdio>
#include <set>

#include "base/console.h"

namespace zotpx::cli {

nlohmann::json OutcomeToJson(const Outcome& outcome) {
  nlohmann::json j;
  j["port"] = outcome.port;
  j["command"] = outcome.command;
  j["result"] = outcome.result;
  j["status"] = outcome.status;
  if (outcome.model) j["model"] = *outcome.model;
  if (outcome.version) j["version"] = *outcome.version;
  if (outcome.baud) j["baud"] = *outcome.baud;
  j["seconds"] = outcome.seconds;
  if (outcome.bytes) j["bytes"] = *outcome.bytes;
  if (!outcome.details.empty()) j["details"] = outcome.details;
  j.update(outcome.fields);
  if (!outcome.log_error.empty()) j["log_error"] = outcome.log_error;
  return j;
}

Outcome OutcomeFromJson(const nlohmann::json& j) {
  Outcome outcome;
  outcome.port = j.value("port", "");
  outcome.command = j.value("command", "");
  outcome.result = j.value("result", kResultNoDevice);
  outcome.status = j.value("status", "");
  if (j.contains("model")) outcome.model = j["model"].get<std::string>();
  if (j.contains("version")) outcome.version = j["version"].get<std::string>();
  if (j.contains("baud")) outcome.baud = j["baud"].get<int>();
  outcome.seconds = j.value("seconds", 0.0);
  if (j.contains("bytes")) outcome.bytes = j["bytes"].get<std::size_t>();
  if (j.contains("details")) outcome.details = j["details"].get<std::vector<std::string>>();
  static const std::set<std::string> kKeys = {"port",  "command", "result",   "status",
                                              "model", "version", "baud",     "seconds",
                                              "bytes", "details", "log_error"};
  for (const auto& [key, value] : j.items())
    if (!kKeys.count(key)) outcome.fields[key] = value;
  outcome.log_error = j.value("log_error", "");
  return outcome;
}

int PrintRefusal(const Outcome& outcome, bool json) {
  if (json) {
    PrintText(stdout, "%s\n",
              OutcomeToJson(outcome)
                  .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                  .c_str());
  } else {
    for (const std::string& line : outcome.details) PrintText(stderr, "%s\n", line.c_str());
    PrintText(stderr, "zotpx: %s\n", outcome.status.c_str());
  }
  return ExitStatusOf(outcome.result);
}

int PrintRefusal(const std::string& command, const std::string& status, bool json,
                 const char* result) {
  Outcome refused;
  refused.command = command;
  refused.result = result;
  refused.status = status;
  return PrintRefusal(refused, json);
}

}  // namespace zotpx::cli
