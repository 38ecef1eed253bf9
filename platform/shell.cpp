// Shell open over QDesktopServices and the clipboard over QClipboard.
#include "platform/shell.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>

namespace qm {
namespace {

ShellOpenHook& Hook() {
    static ShellOpenHook hook;
    return hook;
}

bool Open(const QUrl& url) {
    if (!url.isValid()) return false;
    return Hook() ? Hook()(url) : QDesktopServices::openUrl(url);
}

}  // namespace

void SetShellOpenHook(ShellOpenHook hook) {
    Hook() = std::move(hook);
}

QUrl ShellFileUrl(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(file, ec);
    if (ec) return {};
    return QUrl::fromLocalFile(QFile::decodeName(full.lexically_normal().native().c_str()));
}

QUrl ShellAddressUrl(const AnsiString& address) {
    return QUrl::fromUserInput(ToQString(address).trimmed());
}

bool ShellOpenFile(const std::filesystem::path& file) {
    return Open(ShellFileUrl(file));
}
bool ShellOpenAddress(const AnsiString& address) {
    return Open(ShellAddressUrl(address));
}

bool ClipboardHasText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

AnsiString ClipboardText() {
    return FromQString(QGuiApplication::clipboard()->text());
}

TUnfitChar ClipboardUnfitChar() {
    return FirstUnfitChar(QGuiApplication::clipboard()->text());
}

void SetClipboardText(const AnsiString& text) {
    QGuiApplication::clipboard()->setText(ToQString(text));
}

}  // namespace qm
