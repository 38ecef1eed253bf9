// Shared test fixtures.
#include "tests/support/support.h"

#include <gtest/gtest-spi.h>
#include <sys/wait.h>

#include <QApplication>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "platform/dialogs.h"

namespace qmtest {

void EnsureApp() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "qm_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

TempDir::TempDir() {
    previous_ = std::filesystem::current_path();
    std::random_device rd;
    for (;;) {
        dir_ = std::filesystem::temp_directory_path() / ("qm-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(dir_)) break;
    }
    std::filesystem::current_path(dir_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(dir_, ec);
}

namespace {

// A real modal box or form would wait forever for a click that never comes: fail instead.
void GuardMessageBoxes() {
    qm::SetMessageBoxHook(
        [](QWidget*, const AnsiString& text, const AnsiString& caption, int flags) {
            ADD_FAILURE() << "unexpected message box: \"" << text << "\" (" << caption << ")";
            int buttons = flags & 0xF;
            return buttons == qm::MB_YESNO || buttons == qm::MB_YESNOCANCEL ? int(qm::IDNO)
                   : buttons == qm::MB_OKCANCEL                             ? int(qm::IDCANCEL)
                                                                            : int(qm::IDOK);
        });
}

void GuardModalForms() {
    qm::TForm::SetModalDriver([](qm::TForm& form) {
        ADD_FAILURE() << "unexpected modal form: " << form.metaObject()->className();
        form.SetModalResult(qm::mrCancel);
    });
}

}  // namespace

void InstallUnexpectedDialogGuards() {
    GuardMessageBoxes();
    GuardModalForms();
}

ScriptedBoxes::ScriptedBoxes() {
    qm::SetMessageBoxHook(
        [this](QWidget*, const AnsiString& text, const AnsiString& caption, int flags) {
            asked_.push_back({text, caption, flags});
            if (pending_.empty()) {
                ADD_FAILURE() << "unexpected message box: \"" << text << "\" (" << caption << ")";
                int buttons = flags & 0xF;
                return buttons == qm::MB_YESNO || buttons == qm::MB_YESNOCANCEL ? int(qm::IDYES)
                                                                                : int(qm::IDOK);
            }
            Pending p = pending_.front();
            pending_.pop_front();
            if (!p.expect.empty()) {
                EXPECT_EQ(text, p.expect) << "message box text";
            }
            return p.id;
        });
}

ScriptedBoxes::~ScriptedBoxes() {
    GuardMessageBoxes();
    if (!pending_.empty())
        ADD_FAILURE() << pending_.size() << " scripted message box answer(s) were not asked for";
}

ScriptedBoxes& ScriptedBoxes::Answer(int id, const AnsiString& expectText) {
    pending_.push_back({id, expectText});
    return *this;
}

ModalDriver::ModalDriver() {
    qm::TForm::SetModalDriver([this](qm::TForm& form) {
        ++shown_;
        if (actions_.empty()) {
            ADD_FAILURE() << "unexpected modal form: " << form.metaObject()->className();
            form.SetModalResult(qm::mrCancel);
            return;
        }
        auto action = std::move(actions_.front());
        actions_.pop_front();
        action(form);
    });
}

ModalDriver::~ModalDriver() {
    GuardModalForms();
    if (!actions_.empty())
        ADD_FAILURE() << actions_.size() << " modal form action(s) were not used";
}

ModalDriver& ModalDriver::Then(std::function<void(qm::TForm&)> action) {
    actions_.push_back(std::move(action));
    return *this;
}

void UseProgramFormats(const AnsiString& dateFormat) {
    auto& fs = qm::FormatSettings();
    fs.ShortDateFormat = dateFormat;
    fs.LongDateFormat = dateFormat;
    fs.DateSeparator =
        dateFormat.size() > 4 && dateFormat[0] == 'y' ? dateFormat[4] : dateFormat[2];
    fs.TimeSeparator = ':';
    fs.DecimalSeparator = ',';
}

FixedClock::FixedClock(qm::TDateTime now, const AnsiString& systemDateFormat) {
    qm::SetClockForTests(now);
    qm::SetSystemShortDateFormatForTests(systemDateFormat);
    UseProgramFormats();
}

FixedClock::~FixedClock() {
    qm::SetClockForTests(std::nullopt);
    qm::SetSystemShortDateFormatForTests(std::nullopt);
}

int ChildChecks(const std::function<void()>& checks) {
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(&failures);
        checks();
    }
    int failed = 0;
    for (int i = 0; i < failures.size(); ++i) {
        const ::testing::TestPartResult& r = failures.GetTestPartResult(i);
        if (!r.failed()) continue;
        ++failed;
        std::fprintf(stderr, "%s:%d: %s\n", r.file_name() ? r.file_name() : "?", r.line_number(),
                     r.message());
    }
    return failed == 0 ? 0 : 1;
}

int RunCommand(const std::string& command, std::string* out) {
    FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    std::array<char, 4096> buf;
    std::string text;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) text.append(buf.data(), n);
    int status = pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FolderNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& name : names) joined += name + " ";
    return joined;
}

}  // namespace qmtest
