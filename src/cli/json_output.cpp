#include "cli/json_output.h"

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
  return outcome;
}

}  // namespace zotpx::cli
