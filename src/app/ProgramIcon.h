#pragma once
// The program's icon, built into the program file from the PNG renderings of its SVG (the hicolor
// theme's sizes), so that the program shows it wherever it runs from, installed or not.

#include <QIcon>
#include <QList>

// The sizes built in, in pixels (square), smallest first.
QList<int> programIconSizes();

// The icon with every built-in size; Qt scales the nearest one for other sizes.
QIcon programIcon();
