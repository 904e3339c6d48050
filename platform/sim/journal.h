// The machine's journal: with `journal = <file>` in machine.ini's [machine] section, every platform
// call the program makes on the simulated machine is written to the file as one line, with the
// arguments that matter, the result and the thread's last error afterwards:
//
//   <operation>[ <name>=<value>]... -> <result>[ <name>=<value>]... lasterror=<code>
//
// Fields are separated by one space. A text value is in double quotes, a `"` inside doubled,
// control bytes in caret notation (^M for CR, ^J for LF, ^@ for NUL, ^? for DEL) and `^` itself
// written `^^`; other bytes are the Windows-1252 bytes as the program passed them. Codes (results,
// error codes, exit codes) are decimal up to 65535 and `0x` with eight hexadecimal digits above
// (SetupAPI's codes, HRESULTs); handles are hexadecimal; flags are their Windows names joined by
// `|`, with any unnamed bits in hexadecimal, 0 when none is set.
//
// Without a journal nothing is formatted: call sites test on() first. Lines are streamed to the
// file, never held, and flushed whenever the machine writes its registry.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace talvex::sim {

class SimThreadErrors;

// The name of a flag bit or of an enumerated value.
struct JournalName {
  uint32_t value;
  const char* name;
};

// One line, built field by field: the arguments, then Result, then what the call gave back.
class JournalLine {
 public:
  explicit JournalLine(std::string_view operation);

  JournalLine& Text(std::string_view name, std::string_view value);
  // A text that may be absent (a null char pointer): null.
  JournalLine& Text(std::string_view name, const char* value);
  JournalLine& Number(std::string_view name, int64_t value);
  JournalLine& Code(std::string_view name, uint32_t value);
  JournalLine& Handle(std::string_view name, uint64_t value);
  // The named bits of value, joined by |; 0 when none is set.
  JournalLine& Flags(std::string_view name, uint32_t value, std::span<const JournalName> names);
  // value by its name when it has one, else as a code.
  JournalLine& Named(std::string_view name, uint32_t value, std::span<const JournalName> names);
  // A field already formatted (a word, or a value of the forms above).
  JournalLine& Raw(std::string_view name, std::string_view value);

  // The result; fields added after it are what the call gave back.
  JournalLine& Result(std::string_view word);
  JournalLine& Result(const char* word) { return Result(std::string_view(word)); }
  JournalLine& Result(bool success) { return Result(std::string_view(success ? "TRUE" : "FALSE")); }
  JournalLine& ResultCode(uint32_t code);
  JournalLine& ResultHandle(uint64_t handle);
  JournalLine& ResultNumber(int64_t value);

  const std::string& text() const { return text_; }

 private:
  void Field(std::string_view name);
  std::string text_;
};

// Value formats, shared with call sites that build a field of several parts.
std::string JournalText(std::string_view value);
std::string JournalCode(uint32_t code);
std::string JournalHandle(uint64_t handle);

class Journal {
 public:
  explicit Journal(SimThreadErrors& errors) : errors_(errors) {}
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Creates or truncates the file; false when it cannot be written.
  bool Open(const std::filesystem::path& file);
  bool on() const { return out_ != nullptr; }
  // Writes the line, ended by the thread's last error as it is now.
  void Write(const JournalLine& line);
  // Writes out what is buffered; false when the file could not take every line.
  bool Flush();

 private:
  SimThreadErrors& errors_;
  std::unique_ptr<std::ofstream> out_;
  bool failed_ = false;
};

}  // namespace talvex::sim
