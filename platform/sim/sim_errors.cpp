#include "platform/sim/sim_errors.h"

#include <algorithm>
#include <iterator>

#include "platform/sim/journal.h"

namespace talvex::sim {
namespace {

constexpr uint32_t kErrorMrMidNotFound = 317;

struct ErrorText {
  uint32_t code;
  const char* text;
};

// Sorted by code.
constexpr ErrorText kErrorTexts[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough storage is available to process this command.\r\n"},
    {13, "The data is invalid.\r\n"},
    {19, "The media is write protected.\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {50, "The request is not supported.\r\n"},
    {80, "The file exists.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {127, "The specified procedure could not be found.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {1223, "The operation was canceled by the user.\r\n"},
};

}  // namespace

uint32_t SimThreadErrors::GetLastError() {
  if (journal_ && journal_->on())
    journal_->Write(JournalLine("GetLastError").ResultCode(last_error_));
  return last_error_;
}

void SimThreadErrors::SetLastError(uint32_t code) {
  last_error_ = code;
  if (journal_ && journal_->on())
    journal_->Write(JournalLine("SetLastError").Code("code", code).Result("void"));
}

bool SimThreadErrors::FormatMessageA(uint32_t code, std::string* text) {
  auto it = std::lower_bound(std::begin(kErrorTexts), std::end(kErrorTexts), code,
                             [](const ErrorText& entry, uint32_t c) { return entry.code < c; });
  bool found = it != std::end(kErrorTexts) && it->code == code;
  if (found)
    *text = it->text;
  else
    last_error_ = kErrorMrMidNotFound;  // as Windows fails a code it has no text for
  if (journal_ && journal_->on()) {
    JournalLine line("FormatMessageA");
    line.Code("code", code).Result(found);
    if (found)
      line.Text("text", it->text);
    journal_->Write(line);
  }
  return found;
}

}  // namespace talvex::sim
