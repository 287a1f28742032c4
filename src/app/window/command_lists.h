#pragma once
// The menus "Файл", "Настройки", "Уставки", "База данных", "Справка" and the tool bar of the main
// window, each a list of commands written once (the port menu is PortChoice's).
class CommandSet;
class QMenu;
class QToolBar;

enum class CommandList { FileMenu, SettingsMenu, SetpointsMenu, DatabaseMenu, HelpMenu, ToolBar };

// Adds the list's actions and separators to `to`.
void addCommands(QMenu* to, CommandSet& commands, CommandList list);
void addCommands(QToolBar* to, CommandSet& commands, CommandList list);
