#pragma once
// The menu resources of the program as data: the main menu while no image
// is open (128), the one while an image is open (129), the image window's
// context menu (150), the toolbar (129) and the accelerators (128).

#include <QKeySequence>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

struct MenuEntry {
    int id;            // 0 stands for a separator
    const char* text;  // "&" marks the mnemonic, "\t" starts the shortcut text
};

struct MenuDefinition {
    const char* title;
    std::vector<MenuEntry> entries;
};

enum class MainMenu { noImage = 128, imageOpen = 129 };

const std::vector<MenuDefinition>& MainMenuDefinition(MainMenu menu);
const std::vector<MenuEntry>& ContextMenuEntries();
// Toolbar buttons in order; 0 stands for a separator.
const std::vector<int>& ToolbarCommands();

struct Accelerator {
    QKeySequence keys;
    int id;
};
const std::vector<Accelerator>& Accelerators();

// Adds one entry of a menu; the caller makes the action (and treats the
// recent-file placeholder and the window list as it must).
using AddMenuEntry = std::function<void(QMenu& menu, const MenuEntry& entry)>;

// Replaces the bar's menus with those of the definition; returns the new
// top-level menus in order.
std::vector<QMenu*> FillMenuBar(QMenuBar& bar, const std::vector<MenuDefinition>& menus,
                                const AddMenuEntry& add);

inline constexpr const char* kHelpMenuTitle = "&Help";
inline constexpr const char* kTipMenuText = "Ti&p of the Day...";

// Puts the tip entry first in the "&Help" menu, above a separator, unless it
// is there already. A bar without "&Help" gets fallbackHelp (a popup holding
// only the tip entry, made once by the caller) appended. The tip action is
// made by makeTip only when it has to be inserted.
void InsertTipEntry(QMenuBar& bar, const std::function<QAction*(QObject* parent)>& makeTip,
                    QMenu& fallbackHelp);
