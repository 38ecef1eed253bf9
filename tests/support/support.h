// Shared test fixtures: a private working folder, scripted answers to message boxes, a driver for
// modal forms, a fixed clock and date format, and a Qt application for widget tests.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/ansistring.h"
#include "platform/forms.h"
#include "platform/parallel.h"
#include "platform/sysutils.h"

namespace qmtest {

// Makes sure one QApplication exists (offscreen in tests).
void EnsureApp();

// Message boxes and modal forms that no test scripted fail the test and are answered with the
// cautious button, instead of waiting for a click. Installed before every suite runs.
void InstallUnexpectedDialogGuards();

// At least two parts for every piece of work cut into parts while the object lives, whatever the
// machine's cores: for the tests of the seams between parts.
class ForcedParts {
  public:
    ForcedParts() : was_(qm::ForceParts(true)) {}
    ~ForcedParts() { qm::ForceParts(was_); }
    ForcedParts(const ForcedParts&) = delete;
    ForcedParts& operator=(const ForcedParts&) = delete;

  private:
    bool was_;
};

// Moves the process into a fresh temporary folder for the life of the object, and back after.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return dir_; }
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }

  private:
    std::filesystem::path dir_;
    std::filesystem::path previous_;
};

struct AskedBox {
    AnsiString text;
    AnsiString caption;
    int flags = 0;
};

// Answers message boxes from a script. Every box is recorded; a box with no scripted answer left
// fails the test (and is answered with the first button), and the destructor fails the test when
// scripted answers were not used.
class ScriptedBoxes {
  public:
    ScriptedBoxes();
    ~ScriptedBoxes();
    // Queue an answer (qm::IDYES, qm::IDNO, ...), optionally checking the text of the question.
    ScriptedBoxes& Answer(int id, const AnsiString& expectText = {});
    const std::vector<AskedBox>& asked() const { return asked_; }
    void Forget() { pending_.clear(); }

  private:
    struct Pending {
        int id;
        AnsiString expect;
    };
    std::deque<Pending> pending_;
    std::vector<AskedBox> asked_;
};

// Drives modal forms: each ShowModal runs the next queued action on the form instead of a loop.
class ModalDriver {
  public:
    ModalDriver();
    ~ModalDriver();
    ModalDriver& Then(std::function<void(qm::TForm&)> action);
    int shown() const { return shown_; }

  private:
    std::deque<std::function<void(qm::TForm&)>> actions_;
    int shown_ = 0;
};

// Fixes today's date and the desktop's short date format for the life of the object, and resets
// the process-wide formats to the values start-up sets (decimal comma, "dd.MM.yyyy").
class FixedClock {
  public:
    explicit FixedClock(qm::TDateTime now, const AnsiString& systemDateFormat = "dd.MM.yyyy");
    ~FixedClock();
};

// Sets the process-wide formats as the program's start-up does for the given date pattern.
void UseProgramFormats(const AnsiString& dateFormat = "dd.MM.yyyy");

// For the statement of a death test, whose failures the parent does not show: runs `checks` and
// returns the child's exit code, 0 when they failed nothing. Each failure goes to the standard
// error, which the parent prints when the code is not the one expected.
int ChildChecks(const std::function<void()>& checks);

// Runs a command with /bin/sh; returns its exit status and puts its standard output in `out`.
int RunCommand(const std::string& command, std::string* out = nullptr);

// The names in the working folder, sorted, each followed by a space.
std::string FolderNames();

}  // namespace qmtest
