#include "ui/list_command_table.h"

namespace corvane {

namespace {

constexpr MenuItem kSeparator{0, nullptr, kEdit};

constexpr std::array<MenuItem, 9> kSatelliteMenu{{{kSatelliteEdit, "Edit", kEdit},
                                                  kSeparator,
                                                  {kSatelliteAdd, "Add", kAdd},
                                                  {kSatelliteDelete, "Delete", kDelete},
                                                  kSeparator,
                                                  {kSatelliteCut, "Cut", kCut},
                                                  {kSatellitePaste, "Paste", kPaste},
                                                  kSeparator,
                                                  {kSatelliteAddTransponder, "Add TP", kAddChild}}};
constexpr std::array<MenuItem, 9> kTransponderMenu{
    {{kTransponderEdit, "Edit", kEdit},
     kSeparator,
     {kTransponderAdd, "Add", kAdd},
     {kTransponderDelete, "Delete", kDelete},
     kSeparator,
     {kTransponderCut, "Cut", kCut},
     {kTransponderPaste, "Paste", kPaste},
     kSeparator,
     {kTransponderAddService, "Add Channel", kAddChild}}};
constexpr std::array<MenuItem, 7> kServiceMenu{{{kServiceEdit, "Edit", kEdit},
                                                kSeparator,
                                                {kServiceAdd, "Add", kAdd},
                                                {kServiceDelete, "Delete", kDelete},
                                                kSeparator,
                                                {kServiceCut, "Cut", kCut},
                                                {kServicePaste, "Paste", kPaste}}};

const std::array<KeyBinding, 5> kKeyBindings{{{kEdit, QKeyCombination(Qt::Key_F2)},
                                              {kAdd, QKeyCombination(Qt::Key_Insert)},
                                              {kDelete, QKeyCombination(Qt::Key_Delete)},
                                              {kCut, Qt::CTRL | Qt::Key_X},
                                              {kPaste, Qt::CTRL | Qt::Key_V}}};

} // namespace

std::span<const MenuItem> menuOf(RecordKind list) {
    switch (list) {
    case RecordKind::Satellite:
        return kSatelliteMenu;
    case RecordKind::Transponder:
        return kTransponderMenu;
    case RecordKind::Service:
    case RecordKind::Antenna:
        return kServiceMenu;
    }
    return {};
}

std::optional<Verb> verbOf(RecordKind list, int command) {
    for (const MenuItem& item : menuOf(list))
        if (item.id != 0 && item.id == command)
            return item.verb;
    return std::nullopt;
}

int commandOf(RecordKind list, Verb verb) {
    for (const MenuItem& item : menuOf(list))
        if (item.id != 0 && item.verb == verb)
            return item.id;
    return 0;
}

std::span<const KeyBinding> keyBindings() {
    return kKeyBindings;
}

} // namespace corvane
