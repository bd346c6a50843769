#pragma once
// The roster files as plain text: cutting a grade, class or name list out of a file's text
// and turning it into button captions. The picker's loaders are thin adapters over these.
// Texts are as the text store returns them: every line break is CR LF.
#include <QString>
#include <QStringList>
#include <optional>

namespace roster {

constexpr int GradeButtons = 7;
constexpr int ClassButtons = 8;
constexpr int NameButtons = 42;

// The grade list of "学年名.txt": after "<学年名>" and the two characters following it, up to
// the next "<" or the end of the text. nullopt when the tag is missing.
std::optional<QString> cutGradeList(const QString &text);
// The class list of a grade file: after "<学級名>" and the two characters following it, up
// to the next "<"; empty when no "<" follows. nullopt when the tag is missing.
std::optional<QString> cutClassList(const QString &text);
// The name list of class position `K` ("1" to "8") of a grade file: the section whose header
// begins with "<" + K after the class list, from the line after the header up to the next
// "<" or the end of the text. Empty when there is no such header. A file without the class
// tag is searched from its beginning, so a grade without classes may omit the tag.
QString cutNameList(const QString &text, const QString &K);

// Takes `count` captions off the front of `NAMAE`, one line each. A line that is not ended
// by a line break is not taken; once no line break is left every further caption is empty.
QStringList takeCaptions(QString &NAMAE, int count);

// A caption that can label a grade button: not empty, not "-", a usable folder name.
bool usableGradeCaption(const QString &caption);
// A caption that can label a class or name button: not empty, a usable folder name.
bool usableCaption(const QString &caption);
// A label that can become one level of the save folder without leaving it: no path
// separators or characters that no folder name may hold, not "." or "..".
bool isFolderName(const QString &label);

// The whole loaders over a file's text: the captions of every button in load order, or
// nullopt when the buttons are to stay as they are.
std::optional<QStringList> gradeCaptions(const QString &text);
std::optional<QStringList> classCaptions(const QString &text);
QStringList nameCaptions(const QString &text, const QString &K);

} // namespace roster
