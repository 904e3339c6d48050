#include "platform/sim/journal.h"

#include <cstdio>

#include "platform/sim/sim_errors.h"

namespace talvex::sim {

std::string JournalText(std::string_view value) {
  std::string text = "\"";
  for (char c : value) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"') {
      text += "\"\"";
    } else if (c == '^') {
      text += "^^";
    } else if (byte < 0x20 || byte == 0x7F) {
      text += '^';
      text += static_cast<char>(byte ^ 0x40);
    } else {
      text += c;
    }
  }
  text += '"';
  return text;
}

std::string JournalCode(uint32_t code) {
  if (code <= 0xFFFF)
    return std::to_string(code);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", code);
  return buffer;
}

std::string JournalHandle(uint64_t handle) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(handle));
  return buffer;
}

JournalLine::JournalLine(std::string_view operation) : text_(operation) {}

void JournalLine::Field(std::string_view name) {
  text_ += ' ';
  text_ += name;
  text_ += '=';
}

JournalLine& JournalLine::Text(std::string_view name, std::string_view value) {
  Field(name);
  text_ += JournalText(value);
  return *this;
}

JournalLine& JournalLine::Text(std::string_view name, const char* value) {
  if (value == nullptr)
    return Raw(name, "null");
  return Text(name, std::string_view(value));
}

JournalLine& JournalLine::Number(std::string_view name, int64_t value) {
  Field(name);
  text_ += std::to_string(value);
  return *this;
}

JournalLine& JournalLine::Code(std::string_view name, uint32_t value) {
  Field(name);
  text_ += JournalCode(value);
  return *this;
}

JournalLine& JournalLine::Handle(std::string_view name, uint64_t value) {
  Field(name);
  text_ += JournalHandle(value);
  return *this;
}

JournalLine& JournalLine::Flags(std::string_view name, uint32_t value,
                                std::span<const JournalName> names) {
  Field(name);
  std::string joined;
  uint32_t rest = value;
  for (const JournalName& flag : names) {
    if (flag.value != 0 && (rest & flag.value) == flag.value) {
      if (!joined.empty())
        joined += '|';
      joined += flag.name;
      rest &= ~flag.value;
    }
  }
  if (rest != 0 || joined.empty()) {
    if (!joined.empty())
      joined += '|';
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, rest == 0 ? "0" : "0x%X", rest);
    joined += buffer;
  }
  text_ += joined;
  return *this;
}

JournalLine& JournalLine::Named(std::string_view name, uint32_t value,
                                std::span<const JournalName> names) {
  for (const JournalName& known : names)
    if (known.value == value)
      return Raw(name, known.name);
  return Code(name, value);
}

JournalLine& JournalLine::Raw(std::string_view name, std::string_view value) {
  Field(name);
  text_ += value;
  return *this;
}

JournalLine& JournalLine::Result(std::string_view word) {
  text_ += " -> ";
  text_ += word;
  return *this;
}

JournalLine& JournalLine::ResultCode(uint32_t code) {
  return Result(JournalCode(code));
}

JournalLine& JournalLine::ResultHandle(uint64_t handle) {
  return Result(JournalHandle(handle));
}

JournalLine& JournalLine::ResultNumber(int64_t value) {
  return Result(std::to_string(value));
}

bool Journal::Open(const std::filesystem::path& file) {
  auto out = std::make_unique<std::ofstream>(file, std::ios::binary | std::ios::trunc);
  if (!*out)
    return false;
  out_ = std::move(out);
  failed_ = false;
  return true;
}

void Journal::Write(const JournalLine& line) {
  if (!out_)
    return;
  *out_ << line.text() << " lasterror=" << JournalCode(errors_.last_error()) << '\n';
  if (!*out_)
    failed_ = true;
}

bool Journal::Flush() {
  if (!out_)
    return true;
  out_->flush();
  if (!*out_)
    failed_ = true;
  return !failed_;
}

}  // namespace talvex::sim
