#pragma once
// Opens an address in the desktop's web browser and tells the user when that fails. On Linux the
// desktop's opener xdg-open is started for it (as QDesktopServices does), but its end is watched:
// xdg-open not installed, or xdg-open finding no browser for the address, become an error with a
// clear text, handed to report once the opener has ended. Elsewhere QDesktopServices opens it.

#include <QUrl>

#include <functional>

class Exception;

using ErrorReport = std::function<void(const Exception&)>;

void openInBrowser(const QUrl& url, const ErrorReport& report);
