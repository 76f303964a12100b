// Types keys into the Wine desktop the way a keyboard would, for a program
// under test that reads the keyboard's state while it runs.
//
//   press_keys capslock         toggles Caps Lock
//   press_keys esc              Esc alone
//   press_keys shift+esc        Esc while Shift is held
//   press_keys ctrl+shift+esc   Esc while Ctrl and Shift are held
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Long enough for the 100 ms poll to see the held keys still down after the
// Esc press, even on a busy machine.
constexpr DWORD kHoldMs = 1000;

INPUT Key(WORD virtualKey, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

bool Send(std::vector<INPUT> inputs) {
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) {
    (void)std::fprintf(stderr, "SendInput sent %u of %zu events (error %lu)\n", sent, inputs.size(),
                       GetLastError());
    return false;
  }
  return true;
}

bool Tap(WORD virtualKey) { return Send({Key(virtualKey, false), Key(virtualKey, true)}); }

// Presses held in order, Esc tapped, then the held keys let go in reverse.
bool EscHolding(const std::vector<WORD>& held) {
  std::vector<INPUT> presses;
  for (const WORD key : held) presses.push_back(Key(key, false));
  presses.push_back(Key(VK_ESCAPE, false));
  presses.push_back(Key(VK_ESCAPE, true));
  if (!Send(presses)) return false;
  Sleep(kHoldMs);
  std::vector<INPUT> releases;
  for (auto key = held.rbegin(); key != held.rend(); ++key) releases.push_back(Key(*key, true));
  return Send(releases);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    (void)std::fprintf(stderr, "usage: press_keys capslock|esc|shift+esc|ctrl+shift+esc\n");
    return 2;
  }
  bool sent = false;
  if (std::strcmp(argv[1], "capslock") == 0) {
    sent = Tap(VK_CAPITAL);
  } else if (std::strcmp(argv[1], "esc") == 0) {
    sent = Tap(VK_ESCAPE);
  } else if (std::strcmp(argv[1], "shift+esc") == 0) {
    sent = EscHolding({VK_SHIFT});
  } else if (std::strcmp(argv[1], "ctrl+shift+esc") == 0) {
    sent = EscHolding({VK_CONTROL, VK_SHIFT});
  } else {
    (void)std::fprintf(stderr, "press_keys: unknown keys %s\n", argv[1]);
    return 2;
  }
  return sent ? 0 : 1;
}
