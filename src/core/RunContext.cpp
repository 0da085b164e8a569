#include "core/RunContext.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <vector>

namespace korven {

LocalTime systemLocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
#if defined(_WIN32)
  localtime_s(&tm, &now);
#else
  localtime_r(&now, &tm);
#endif
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::ostream& RunContext::errorStream() {
  if (err != nullptr) return *err;
  return quiet ? discard_ : std::cerr;
}

namespace {
bool isAbsoluteName(const std::string& name) {
  const bool drive = name.size() >= 2 && name[1] == ':' &&
                     ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  return drive || (!name.empty() && (name[0] == '/' || name[0] == '\\'));
}
}  // namespace

std::string RunContext::resolve(const std::string& name) const {
  if (folder.empty() || name.empty() || isAbsoluteName(name)) return name;
  return (folder / name).string();
}

const std::string& RunContext::scratchName(Scratch which) const {
  return which == Scratch::PyCurves ? names.pyScratchFile : names.pressureFile;
}

bool RunContext::openScratch(textio::OutputChannel& out, Scratch which, std::string* why) {
  if (scratchInMemory) {
    std::string& text = which == Scratch::PyCurves ? pyScratchText : pressureText;
    text.clear();
    out.attach(text);
  } else if (!out.open(resolve(scratchName(which)), why)) {
    return false;
  }
  if (which == Scratch::PyCurves) out.holdNumbers(&heldPyScratch);
  return true;
}

namespace {

// An intermediate file read back through a buffer that holds the whole
// file (up to 16 MiB; larger ones in pieces of that size), so that it is
// read in one system call and its text can be compared in place with what
// was written (RecordReader::skipLines).
class ScratchStream : public std::ifstream {
 public:
  explicit ScratchStream(const std::string& path)
      : size_(bufferSize(path)), buffer_(std::make_unique_for_overwrite<char[]>(size_)) {
    rdbuf()->pubsetbuf(buffer_.get(), static_cast<std::streamsize>(size_));
    open(path, std::ios::binary);
  }
  ~ScratchStream() override { close(); }  // before the buffer goes

 private:
  static std::size_t bufferSize(const std::string& path) {
    constexpr std::uintmax_t kLeast = std::uintmax_t{1} << 16, kMost = std::uintmax_t{1} << 24;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    // One byte beyond the text: the file buffer reads one less than it holds.
    return static_cast<std::size_t>(ec ? kLeast : std::clamp(size + 1, kLeast, kMost));
  }
  std::size_t size_;
  std::unique_ptr<char[]> buffer_;  // not zero-filled: the file's text fills it
};

}  // namespace

std::unique_ptr<std::istream> RunContext::readScratch(Scratch which) {
  if (scratchInMemory) {
    const std::string& text = which == Scratch::PyCurves ? pyScratchText : pressureText;
    return std::make_unique<textio::TextStream>(text);
  }
  auto in = std::make_unique<ScratchStream>(resolve(scratchName(which)));
  if (!*in) return nullptr;
  return in;
}

}  // namespace korven
