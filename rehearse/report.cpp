#include "rehearse/report.h"

#include <cstdio>
#include <sstream>

namespace talvex::rehearse {
namespace {

const char kGreen[] = "\x1b[32m";
const char kRed[] = "\x1b[31m";
const char kYellow[] = "\x1b[33m";
const char kReset[] = "\x1b[0m";

std::string LogWord(const CellResult& cell) {
  if (!cell.log)
    return "none";
  if (*cell.log == "error = 0\r\nrestart = 1\r\n")
    return "success";
  if (*cell.log == "error = 1\r\nrestart = 0\r\n")
    return "failure";
  return "other";
}

std::string RestartWord(const CellResult& cell) {
  if (cell.restarted)
    return "restarted";
  if (cell.cell.unattended && cell.log && cell.log->find("restart = 1") != std::string::npos)
    return "asked";
  return "no";
}

std::string Padded(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string Detail(const FunctionResult& result) {
  switch (result.outcome) {
    case Outcome::kAbsent:
      return "not on the machine";
    case Outcome::kSkipped:
      return "skipped";
    case Outcome::kFailed:
      // A run under Wine has no error code: only what it left behind.
      return "failed: " + result.failedCall +
             (result.error == 0 ? "" : " gave " + ErrorName(result.error)) +
             (result.inf.empty() ? "" : " (" + result.inf + ")");
    case Outcome::kInstalled:
      break;
  }
  std::string text = "installed";
  if (!result.inf.empty())
    text += " from " + result.inf;
  if (!result.files.empty()) {
    text += ", into";
    for (const std::string& file : result.files)
      text += " " + file;
  }
  return text;
}

std::string JsonText(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      // Windows-1252 bytes above 0x7e and controls as code points, so the file is plain ASCII.
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void MatrixMarkdown(const std::vector<CellResult>& cells, const std::string& anchorPrefix,
                    std::ostream& out) {
  out << "| cell | Memory Stick | SD | Smart Card | exit | log.txt | restart | boxes | result "
         "|\n|---|---|---|---|---|---|---|---|---|\n";
  for (const CellResult& cell : cells) {
    out << "| [" << cell.cell.Name() << "](#" << anchorPrefix << cell.cell.Name() << ") |";
    for (const FunctionResult& function : cell.functions)
      out << " " << OutcomeWord(function) << " |";
    out << " " << cell.exitCode << " | " << LogWord(cell) << " | " << RestartWord(cell) << " | "
        << cell.messages.size() << " | " << (cell.passed ? "pass" : "**FAIL**") << " |\n";
  }
}

void CellMarkdown(const CellResult& cell, std::ostream& out) {
  for (const FunctionResult& function : cell.functions)
    out << "- " << FunctionName(function.function) << ": " << Detail(function) << "\n";
  out << "- exit code " << cell.exitCode << "; log.txt: "
      << (cell.log ? "`" + cell.log->substr(0, cell.log->find('\r')) + "`, ..." : "none")
      << "; restart: " << RestartWord(cell) << "\n";
  for (const std::string& message : cell.messages)
    out << "- the person saw: `" << message << "`\n";
  for (const std::string& note : cell.notes)
    out << "- note: " << note << "\n";
}

void WineMarkdown(const WineSide& wine, std::ostream& out) {
  out << "\n## Under Wine\n\n";
  if (!wine.problem.empty()) {
    out << "The Wine runs could not be made: " << wine.problem << "\n";
    return;
  }
  out << "The real Setup.exe under Wine, with Wine's SetupAPI, for the cells Wine can imitate. "
         "The native engine decides the result.\n\n";
  MatrixMarkdown(wine.cells, "wine-", out);
  out << "\n### Where the engines differ\n\n";
  if (wine.differences.empty())
    out << "Nowhere.\n";
  for (const std::string& difference : wine.differences)
    out << "- " << difference << "\n";
  if (!wine.skipped.empty()) {
    out << "\n### Not run under Wine\n\n";
    for (const std::string& skipped : wine.skipped)
      out << "- " << skipped << "\n";
  }
  for (const CellResult& cell : wine.cells) {
    out << "\n### wine-" << cell.cell.Name() << "\n\n"
        << cell.cell.Description() << ", under Wine.\n\n";
    CellMarkdown(cell, out);
    out << "- the record: `wine/cases/" << cell.cell.Name()
        << "` (its screenshots, the device keys, the files the run changed)\n";
  }
}

void CellsJson(const std::vector<CellResult>& cells, std::ostream& out) {
  out << "[";
  for (size_t i = 0; i < cells.size(); ++i) {
    const CellResult& cell = cells[i];
    out << (i ? "," : "") << "\n    {\"name\": " << JsonText(cell.cell.Name())
        << ", \"windows\": " << JsonText(VersionName(cell.cell.version))
        << ", \"ids\": " << (cell.cell.idIndex + 1) << ", \"components\": "
        << JsonText(cell.cell.components == Components::kPresent   ? "present"
                    : cell.cell.components == Components::kMissing ? "missing"
                                                                   : "")
        << ", \"medium\": " << JsonText(cell.cell.medium == Medium::kCd ? "cd" : "disk")
        << ", \"mode\": " << JsonText(cell.cell.unattended ? "unattended" : "wizard")
        << ",\n     \"exitCode\": " << cell.exitCode
        << ", \"log\": " << (cell.log ? JsonText(*cell.log) : "null")
        << ", \"restart\": " << JsonText(RestartWord(cell))
        << ", \"passed\": " << (cell.passed ? "true" : "false") << ",\n     \"functions\": [";
    for (size_t k = 0; k < cell.functions.size(); ++k) {
      const FunctionResult& function = cell.functions[k];
      out << (k ? ", " : "") << "{\"function\": " << JsonText(FunctionTag(function.function))
          << ", \"outcome\": " << JsonText(OutcomeWord(function))
          << ", \"inf\": " << JsonText(function.inf) << ", \"files\": [";
      for (size_t f = 0; f < function.files.size(); ++f)
        out << (f ? ", " : "") << JsonText(function.files[f]);
      out << "], \"error\": " << function.error << "}";
    }
    out << "],\n     \"messages\": [";
    for (size_t m = 0; m < cell.messages.size(); ++m)
      out << (m ? ", " : "") << JsonText(cell.messages[m]);
    out << "], \"notes\": [";
    for (size_t n = 0; n < cell.notes.size(); ++n)
      out << (n ? ", " : "") << JsonText(cell.notes[n]);
    out << "]}";
  }
  out << "\n  ]";
}

std::string FunctionList(const std::vector<ChipFunction>& functions) {
  std::string text;
  for (ChipFunction function : functions)
    text += (text.empty() ? "" : ",") + std::string(FunctionTag(function));
  return text;
}

}  // namespace

bool Rehearsal::Passed() const {
  for (const Finding& finding : findings)
    if (!finding.note)
      return false;
  for (const CellResult& cell : cells)
    if (!cell.passed)
      return false;
  return true;
}

std::string OutcomeWord(const FunctionResult& result) {
  switch (result.outcome) {
    case Outcome::kAbsent:
      return "-";
    case Outcome::kInstalled:
      return "installed";
    case Outcome::kSkipped:
      return "skipped";
    case Outcome::kFailed:
      break;
  }
  return "FAILED";
}

void PrintMatrix(std::ostream& out, const std::vector<CellResult>& cells, bool colour) {
  size_t width = 4;
  for (const CellResult& cell : cells)
    width = std::max(width, cell.cell.Name().size());
  out << Padded("cell", width) << "  " << Padded("ms", 10) << Padded("sd", 10) << Padded("sc", 10)
      << Padded("exit", 5) << Padded("log.txt", 9) << Padded("restart", 10) << Padded("boxes", 6)
      << "result\n";
  for (const CellResult& cell : cells) {
    out << Padded(cell.cell.Name(), width) << "  ";
    for (const FunctionResult& function : cell.functions) {
      std::string word = OutcomeWord(function);
      const char* tint = function.outcome == Outcome::kInstalled ? kGreen
                         : function.outcome == Outcome::kFailed  ? kRed
                         : function.outcome == Outcome::kSkipped ? kYellow
                                                                 : "";
      if (colour && *tint != '\0')
        out << tint << Padded(word, 10) << kReset;
      else
        out << Padded(word, 10);
    }
    out << Padded(std::to_string(cell.exitCode), 5) << Padded(LogWord(cell), 9)
        << Padded(RestartWord(cell), 10) << Padded(std::to_string(cell.messages.size()), 6);
    std::string verdict = cell.passed ? "pass" : "FAIL";
    if (colour)
      out << (cell.passed ? kGreen : kRed) << verdict << kReset;
    else
      out << verdict;
    if (!cell.notes.empty())
      out << "  (" << cell.notes.size() << (cell.notes.size() == 1 ? " note)" : " notes)");
    out << "\n";
  }
}

std::string ReportMarkdown(const Rehearsal& rehearsal) {
  std::ostringstream out;
  out << "# Rehearsal of " << rehearsal.package << "\n\n";
  out << "Started " << rehearsal.started << "; functions " << FunctionList(rehearsal.functions)
      << "; " << rehearsal.cells.size()
      << " cells. Result: " << (rehearsal.Passed() ? "**pass**" : "**FAIL**") << ".\n\n";
  out << "## Findings\n\n";
  if (rehearsal.findings.empty())
    out << "None.\n";
  for (const Finding& finding : rehearsal.findings)
    out << "- " << FindingLine(finding) << "\n";
  out << "\n## Matrix\n\n";
  MatrixMarkdown(rehearsal.cells, "", out);
  if (rehearsal.wine.asked)
    WineMarkdown(rehearsal.wine, out);
  for (const CellResult& cell : rehearsal.cells) {
    out << "\n## " << cell.cell.Name() << "\n\n" << cell.cell.Description() << ".\n\n";
    CellMarkdown(cell, out);
    out << "- the machine after the run: `cells/" << cell.cell.Name()
        << "/machine` (journal.txt, screen.txt); what it changed: `cells/" << cell.cell.Name()
        << "/diff.txt`\n";
  }
  return out.str();
}

std::string ReportJson(const Rehearsal& rehearsal) {
  std::ostringstream out;
  out << "{\n  \"package\": " << JsonText(rehearsal.package)
      << ",\n  \"started\": " << JsonText(rehearsal.started)
      << ",\n  \"functions\": " << JsonText(FunctionList(rehearsal.functions))
      << ",\n  \"passed\": " << (rehearsal.Passed() ? "true" : "false") << ",\n  \"findings\": [";
  for (size_t i = 0; i < rehearsal.findings.size(); ++i) {
    const Finding& finding = rehearsal.findings[i];
    out << (i ? "," : "") << "\n    {\"file\": " << JsonText(finding.file)
        << ", \"line\": " << finding.line << ", \"what\": " << JsonText(finding.what)
        << ", \"note\": " << (finding.note ? "true" : "false") << "}";
  }
  out << "\n  ],\n  \"cells\": ";
  CellsJson(rehearsal.cells, out);
  if (rehearsal.wine.asked) {
    out << ",\n  \"wine\": {\"problem\": " << JsonText(rehearsal.wine.problem)
        << ", \"differences\": [";
    for (size_t i = 0; i < rehearsal.wine.differences.size(); ++i)
      out << (i ? ", " : "") << JsonText(rehearsal.wine.differences[i]);
    out << "], \"skipped\": [";
    for (size_t i = 0; i < rehearsal.wine.skipped.size(); ++i)
      out << (i ? ", " : "") << JsonText(rehearsal.wine.skipped[i]);
    out << "],\n  \"cells\": ";
    CellsJson(rehearsal.wine.cells, out);
    out << "}";
  }
  out << "\n}\n";
  return out.str();
}

}  // namespace talvex::rehearse
