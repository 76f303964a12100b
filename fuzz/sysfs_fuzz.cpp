// The sysfs reader on random trees. The input describes a tree, one step a
// line, built in a fresh temporary folder:
//   d <path>             a folder (with its parents)
//   f <path> <content>   a file; in the content "\n" stands for a line end and
//                        "\xhh" for any byte
//   l <path> <target>    a symbolic link: "../" steps then names, or "/" then
//                        names for a place measured from the tree's root
// Paths are names joined by "/". Steps that would reach outside the tree are
// left out, so the reader sees only what the input made.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "fuzz/require.h"
#include "platform/linux/sysfs_ports.h"
#include "text/utf.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxSteps = 200;
constexpr std::size_t kMaxDepth = 10;

// The process's own temporary folder, removed when the fuzzer exits.
class TempFolder {
 public:
  TempFolder() {
    const fs::path shm = "/dev/shm";
    std::string pattern =
        ((fs::is_directory(shm) ? shm : fs::temp_directory_path()) / "morvane-sysfs-XXXXXX")
            .string();
    Require(::mkdtemp(pattern.data()) != nullptr, "a temporary folder can be made");
    path_ = pattern;
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

const fs::path& Base() {
  static const TempFolder folder;
  return folder.Path();
}

bool IsName(std::string_view part) {
  return !part.empty() && part != "." && part != ".." && part.size() <= 64 &&
         part.find('\0') == std::string_view::npos;
}

// A path of names below the root, or nullopt.
std::optional<fs::path> Below(std::string_view text) {
  fs::path path;
  std::size_t depth = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('/'), text.size());
    if (!IsName(text.substr(0, end)) || ++depth > kMaxDepth) return std::nullopt;
    path /= std::string(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  if (depth == 0) return std::nullopt;
  return path;
}

std::size_t DepthBelow(const fs::path& folder, const fs::path& root) {
  std::size_t depth = 0;
  for (const auto& part : fs::relative(folder, root)) {
    if (part != ".") ++depth;
  }
  return depth;
}

// The link's target as written into the link, or nullopt when it could lead
// out of the tree.
std::optional<std::string> LinkTarget(const fs::path& root, const fs::path& link,
                                      std::string_view target) {
  if (target.starts_with('/')) {
    const auto inside = Below(target.substr(1));
    if (!inside) return std::nullopt;
    return (root / *inside).string();
  }
  std::size_t ups = 0;
  while (target == ".." || target.starts_with("../")) {
    target.remove_prefix(std::min<std::size_t>(3, target.size()));
    ++ups;
  }
  std::error_code error;
  const fs::path parent = fs::canonical(root / link.parent_path(), error);
  if (error || ups > DepthBelow(parent, root)) return std::nullopt;
  std::string written;
  for (std::size_t i = 0; i < ups; ++i) written += i == 0 ? ".." : "/..";
  if (target.empty()) return written.empty() ? std::nullopt : std::optional(written);
  const auto rest = Below(target);
  if (!rest) return std::nullopt;
  return written.empty() ? rest->string() : written + "/" + rest->string();
}

int HexValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  return -1;
}

// "\n" a line end, "\xhh" any byte.
std::string Unescaped(std::string_view content) {
  std::string text;
  while (!content.empty()) {
    if (content.starts_with("\\n")) {
      text += '\n';
      content.remove_prefix(2);
    } else if (content.size() >= 4 && content.starts_with("\\x") && HexValue(content[2]) >= 0 &&
               HexValue(content[3]) >= 0) {
      text += static_cast<char>(HexValue(content[2]) * 16 + HexValue(content[3]));
      content.remove_prefix(4);
    } else {
      text += content.front();
      content.remove_prefix(1);
    }
  }
  return text;
}

void Step(const fs::path& root, std::string_view line) {
  if (line.size() < 3 || line[1] != ' ') return;
  const char kind = line[0];
  line.remove_prefix(2);
  const std::size_t gap = std::min(line.find(' '), line.size());
  const auto path = Below(line.substr(0, gap));
  const std::string_view rest = line.substr(std::min(gap + 1, line.size()));
  if (!path) return;
  std::error_code error;
  if (kind == 'd') {
    fs::create_directories(root / *path, error);
    return;
  }
  fs::create_directories(root / path->parent_path(), error);
  if (kind == 'f') {
    std::ofstream(root / *path, std::ios::binary) << Unescaped(rest);
  } else if (kind == 'l') {
    if (const auto target = LinkTarget(root, *path, rest)) {
      fs::create_symlink(*target, root / *path, error);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view steps(reinterpret_cast<const char*>(data), size);
  const fs::path root = Base() / "sys";
  std::error_code error;
  fs::remove_all(root, error);
  fs::create_directory(root, error);
  Require(!error, "the tree's root can be made");
  for (std::size_t count = 0; !steps.empty() && count < kMaxSteps; ++count) {
    const std::size_t end = std::min(steps.find('\n'), steps.size());
    Step(root, steps.substr(0, end));
    steps.remove_prefix(std::min(end + 1, steps.size()));
  }

  const auto names = platform::ReadSysfsPortNames(root);
  std::size_t entries = 0;
  for (fs::directory_iterator it(root / "class" / "tty", error), end; !error && it != end;
       it.increment(error)) {
    ++entries;
  }
  Require(names.size() <= entries, "at most one port for each tty entry");
  for (const std::string& name : names) {
    Require(name.ends_with(")") && name.find(" (/dev/") != std::string::npos,
            "every port reads \"description (/dev/node)\"");
    Require(text::Utf8ToUtf16(name).has_value(), "every name is well-formed UTF-8");
  }
  Require(platform::ReadSysfsPortNames(root) == names, "the same tree reads the same");
  return 0;
}
