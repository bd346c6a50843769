#pragma once
// Reading the settings file: values between an opening and a closing tag.
#include <QString>
#include <optional>

namespace settings {

// The value of `tag` (without angle brackets) in the whole text: the characters from the
// end of the first opening tag up to the first closing tag, counted in UTF-16 units as
// p + L and q - p - L (1-based, 0 when a tag is missing); a negative length is empty.
QString extract(const QString &text, const QString &tag);

// A whole decimal number with optional leading blanks and sign and nothing after it,
// within 32 bits; nullopt otherwise.
std::optional<qint32> toWholeNumber(const QString &value);

// The error text for an invalid whole number.
QString invalidNumberMessage(const QString &value);

// Window sizes from the settings are kept on the screen: at least this, at most the
// screen's available area, so a window can neither vanish nor exhaust memory.
constexpr qint32 MinWindowWidth = 200;
constexpr qint32 MinWindowHeight = 150;
// `value` within [minimum, available]; an `available` of 0 or less sets no upper bound.
qint32 clampExtent(qint32 value, qint32 minimum, qint32 available);
// The Logo program's width or height: 0 or less keeps meaning "not placed" and is kept;
// any other value is clamped as above.
qint32 clampPlacedExtent(qint32 value, qint32 minimum, qint32 available);

} // namespace settings
