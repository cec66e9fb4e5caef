#pragma once

// The project held in memory: two parallel lists of entries, one operation entry and one condition entry per page.
// An entry is a list of strings whose element 0 is its kind name. These functions keep the invariants every reader
// relies on: both lists of one length, at least one page.

#include <QList>
#include <QString>
#include <QStringList>

namespace model {

using Entry = QStringList;
using EntryList = QList<QStringList>;

namespace kind {
// Operation kinds.
inline const QString None = QStringLiteral("なし");
inline const QString Click = QStringLiteral("クリック");
inline const QString Pointer = QStringLiteral("マウスポインター");
inline const QString SmoothMove = QStringLiteral("スムーズムーブ");
inline const QString Key = QStringLiteral("キー");
inline const QString Input = QStringLiteral("入力");
// Condition kinds ("キー" is shared with the operation kinds).
inline const QString Time = QStringLiteral("時間");
inline const QString Immediate = QStringLiteral("即時");
inline const QString KeyCondition = QStringLiteral("キー");
} // namespace kind

inline const QString LeftButton = QStringLiteral("左");
inline const QString RightButton = QStringLiteral("右");

// The name a kind or a click button is shown with: its translation. Files keep the Japanese names above, and an
// unknown name is shown as it is stored.
QString kindLabel(const QString& storedName);

QStringList commandKinds();   // in selector order
QStringList conditionKinds(); // in selector order

Entry freshCommand();   // "なし"
Entry freshCondition(); // "時間", "0.1"

// The entry written when a kind is added in the editor; an unknown kind gives just the kind name.
Entry defaultCommandEntry(const QString& kindName);
Entry defaultConditionEntry(const QString& kindName);

// Seconds as stored: QString::number(value, 'g', 6), so 0.01, 0.1, 1, 12.5, 1000.
QString secondsText(double seconds);
// Coordinates as stored: a decimal integer.
QString coordinateText(int value);

// The project differs from its snapshots, page by page and element by element.
bool isUnsaved(const EntryList& commands, const EntryList& conditions, const EntryList& savedCommands,
               const EntryList& savedConditions);

// Named fields of each kind's entry. Positions (element 0 is the kind):
//   クリック button, seconds · マウスポインター x, y · スムーズムーブ x, y, seconds · キー combination, seconds ·
//   入力 text, seconds; conditions: 時間 seconds · キー combination.
// Getters read a missing element as empty text (an entry from a file may be short); setters grow the entry as needed.
// The seconds getter and setter know where each kind keeps its time; other kinds have none (empty, no change).
QString entryKind(const Entry& entry);
QString clickButton(const Entry& command);
QString coordinateX(const Entry& command); // pointer and smooth move
QString coordinateY(const Entry& command);
QString keyCombination(const Entry& entry); // key operation and key condition
QString inputText(const Entry& command);
QString commandSeconds(const Entry& command);
QString waitSeconds(const Entry& condition); // 時間
void setClickButton(Entry& command, const QString& button);
void setCoordinates(Entry& command, const QString& x, const QString& y);
void setKeyCombination(Entry& entry, const QString& combination);
void setInputText(Entry& command, const QString& text);
void setCommandSeconds(Entry& command, const QString& seconds);
void setWaitSeconds(Entry& condition, const QString& seconds);

// Page operations on both lists together. index is 0-based; out-of-range requests are refused (false).
void appendPage(EntryList& commands, EntryList& conditions);
bool insertPage(EntryList& commands, EntryList& conditions, int index);
// Refuses to remove the last remaining page.
bool removePage(EntryList& commands, EntryList& conditions, int index);
// Takes the page at index from out and puts it at index to; the pages between shift by one.
bool movePage(EntryList& commands, EntryList& conditions, int from, int to);

// Brings lists read from an untrusted source to the invariants: entries shorter than their kind padded with the
// kind's defaults, empty entries replaced by fresh-page entries, the shorter list padded with fresh-page entries.
// Unknown kinds are kept unchanged. Returns a description of each repair (empty when nothing was changed).
QStringList repairProject(EntryList& commands, EntryList& conditions);

} // namespace model
