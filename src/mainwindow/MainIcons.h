#pragma once
// The main window's pictures: the desktop's icon theme where it has them, otherwise small
// pictures drawn here. The pictures that several commands share (Disconnect and Shutdown, the two
// Cancel commands) are made once, and every call gives the same icon; each other call makes a new
// icon. The shared ones are kept to the end of the program, past the application object.

#include <QIcon>

namespace mainicons {

QIcon connect();
QIcon disconnect();     // also Shutdown
QIcon cancel();         // the statement's Cancel, also Cancel Current Operation
QIcon commit();
QIcon rollback();
QIcon refresh();
QIcon paused();
QIcon setupLogging();
QIcon databaseStatistics();
QIcon serverLog();
QIcon helpContents();
QIcon helpWeb();
QIcon helpAbout();

}  // namespace mainicons
