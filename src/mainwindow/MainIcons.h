#pragma once
// The main window's pictures: the desktop's icon theme where it has them, otherwise small
// pictures drawn here. Each call makes a new icon: commands that share a picture share one call.

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
