#include "dialog_script.h"

namespace trv3::host {

std::string dialogScript(const DialogChoices& choices) {
  std::string script;
  auto add = [&script](const std::string& action) {
    if (!script.empty()) script += ';';
    script += action;
  };
  if (choices.connect) {
    add("connect");
    add("pick " + std::to_string(*choices.connect));
    add("ok");
  }
  if (choices.address) {
    add("tab 1");
    add("type " + *choices.address);
    add("tab 0");
  }
  if (choices.channel) add("channel " + std::to_string(*choices.channel));
  if (choices.points) add("points " + std::to_string(*choices.points));
  if (choices.acquireNew) add("check");
  add(choices.cancel ? "cancel" : "ok");
  return script;
}

std::optional<std::string> addressProblem(const std::string& address) {
  if (address.find_first_of(";\r\n") != std::string::npos)
    return "an instrument address cannot contain ';' or a line break";
  return std::nullopt;
}

}  // namespace trv3::host
