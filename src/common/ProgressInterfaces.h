#pragma once
// The progress notification of long work: Sender is the object doing the work, Max the number of
// steps, Position the steps done. The progress dialog's SetProgress has this form; the work (for
// example the log table check) calls it. Header only and free of widgets, so that the data
// modules can take a callback without depending on the windows.

#include <functional>

class QObject;

using TProgressCallback = std::function<void(QObject* sender, int max, int position)>;
