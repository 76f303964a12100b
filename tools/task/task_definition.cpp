#include "task_definition.h"

#include <algorithm>
#include <initializer_list>

namespace task {
namespace {

// A serial port starting: Kernel-PnP's "device started" in the Ports class,
// whether a board was plugged in or the port came back after a resume. Which
// case the channel writes the class's GUID in is not documented, and XPath
// compares text exactly, so both spellings are matched.
constexpr std::string_view kPortStarted =
    "<QueryList><Query Id=\"0\" Path=\"Microsoft-Windows-Kernel-PnP/Configuration\">"
    "<Select Path=\"Microsoft-Windows-Kernel-PnP/Configuration\">"
    "*[System[EventID=410]] and "
    "*[EventData[Data[@Name='ClassGuid']='{4d36e978-e325-11ce-bfc1-08002be10318}' or "
    "Data[@Name='ClassGuid']='{4D36E978-E325-11CE-BFC1-08002BE10318}']]"
    "</Select></Query></QueryList>";

// The principal runs the launcher on the user's own desktop with the user's
// ordinary rights, and only while the user is logged on: the program reads
// that desktop. The port's driver needs a moment after its event before the
// port opens. A running lamp is left alone by a second trigger, and no time
// limit ends it (the default stops a task after 72 hours), on battery as on
// mains. Restart-on-failure would apply only to a launch that fails, never
// to an exit status: the triggers bring the program back instead.
constexpr std::string_view kDefinition =
    R"(<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <RegistrationInfo>
    <Author>{user}</Author>
    <Description>キーボードの入力状態をランプに示します。ログオン、ロック解除、シリアルポートの開始のたびに起動します。</Description>
    <URI>\morvane</URI>
  </RegistrationInfo>
  <Triggers>
    <LogonTrigger>
      <Enabled>true</Enabled>
      <UserId>{user}</UserId>
    </LogonTrigger>
    <SessionStateChangeTrigger>
      <Enabled>true</Enabled>
      <UserId>{user}</UserId>
      <StateChange>SessionUnlock</StateChange>
    </SessionStateChangeTrigger>
    <EventTrigger>
      <Enabled>true</Enabled>
      <Subscription>{subscription}</Subscription>
      <Delay>PT5S</Delay>
    </EventTrigger>
  </Triggers>
  <Principals>
    <Principal id="Author">
      <UserId>{user}</UserId>
      <LogonType>InteractiveToken</LogonType>
      <RunLevel>LeastPrivilege</RunLevel>
    </Principal>
  </Principals>
  <Settings>
    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>
    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>
    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>
    <StartWhenAvailable>true</StartWhenAvailable>
    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>
    <Enabled>true</Enabled>
  </Settings>
  <Actions Context="Author">
    <Exec>
      <Command>{launcher}</Command>
      <WorkingDirectory>{folder}</WorkingDirectory>
    </Exec>
  </Actions>
</Task>
)";

struct Field {
  std::string_view marker;  // "{user}"
  std::string value;        // escaped
};

// text with each field's marker replaced by its value, in one pass, so that
// a value holding a marker ("C:\{user}") stays as it is.
std::string Filled(std::string_view text, std::initializer_list<Field> fields) {
  std::string filled;
  while (!text.empty()) {
    const auto field = std::find_if(fields.begin(), fields.end(),
                                    [text](const Field& f) { return text.starts_with(f.marker); });
    if (field == fields.end()) {
      filled += text.front();
      text.remove_prefix(1);
    } else {
      filled += field->value;
      text.remove_prefix(field->marker.size());
    }
  }
  return filled;
}

}  // namespace

std::string XmlEscaped(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string TaskDefinition(const TaskPlaces& places) {
  return Filled(kDefinition, {{"{user}", XmlEscaped(places.userId)},
                              {"{subscription}", XmlEscaped(kPortStarted)},
                              {"{launcher}", XmlEscaped(places.launcher)},
                              {"{folder}", XmlEscaped(places.workingFolder)}});
}

}  // namespace task
