#pragma once
// The command table: the items of the four lists' context menus (their ids, texts and verbs)
// and the keys that run a verb on a list's current row. Which command an id runs, and when it
// can be chosen, is ListCommands'; how the menus are shown is ListMenus'.

#include "model/records.h"

#include <QKeyCombination>

#include <array>
#include <optional>
#include <span>

namespace corvane {

// The ids of the context menus' items, which their actions carry as data. The antenna list shows
// the service list's menu and gives its ids the antenna meanings.
enum CommandId : int {
    kSatelliteEdit = 130,
    kSatelliteAdd = 131,
    kSatelliteDelete = 132,
    kSatelliteCut = 133,
    kSatellitePaste = 134,
    kSatelliteAddTransponder = 135,
    kTransponderEdit = 141,
    kTransponderAdd = 142,
    kTransponderCut = 143,
    kTransponderPaste = 144,
    kTransponderDelete = 145,
    kTransponderAddService = 146,
    kServiceEdit = 148,
    kServiceAdd = 149,
    kServiceDelete = 150,
    kServiceCut = 151,
    kServicePaste = 152,
};

// What a menu item does to its list's records, whichever list it is.
enum Verb : int { kEdit, kAdd, kDelete, kCut, kPaste, kAddChild };

struct MenuItem {
    int id; // 0: a separator
    const char* text;
    Verb verb;
};

// The items of the context menu of `list`, in menu order.
std::span<const MenuItem> menuOf(RecordKind list);
// The verb of item `command` of the menu of `list`; none when the menu has no such item.
std::optional<Verb> verbOf(RecordKind list, int command);
// The id of the item of the menu of `list` that does `verb`, or 0.
int commandOf(RecordKind list, Verb verb);

// The keys that run a verb on the focused list's current row.
struct KeyBinding {
    Verb verb;
    QKeyCombination keys;
};
std::span<const KeyBinding> keyBindings();

inline constexpr std::array<RecordKind, 4> kLists{RecordKind::Satellite, RecordKind::Transponder,
                                                  RecordKind::Service, RecordKind::Antenna};

} // namespace corvane
