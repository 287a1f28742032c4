#pragma once
#include "shell/command_table.h"

#include <QIcon>

// The icon of a command: the desktop theme's icon when the theme has one, else a drawn one.
QIcon commandIcon(vorsan::Command c);

// The two pictures of the connection indicator.
QIcon connectedIcon();
QIcon disconnectedIcon();
