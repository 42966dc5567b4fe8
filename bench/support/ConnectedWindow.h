#pragma once
// The main window as the program shows it, connected the way the tests connect it (as the test
// server's SYSDBA, the connect dialog at start cancelled), with its refresh timer paused so that
// only the measured calls refresh.

#include <QSize>
#include <QString>

#include <memory>
#include <optional>

class TfrmMain;

std::unique_ptr<TfrmMain> connectedWindow(const QString& database, std::optional<QSize> size = std::nullopt);
