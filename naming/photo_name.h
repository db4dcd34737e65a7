#pragma once

// From a birthday text and a photo's shooting time text to the photo's new name:
// 0岁10月6天(14点05分33秒).jpg. Texts are UTF-8; every length and position below
// counts characters (code points), not bytes.

#include <optional>
#include <string>
#include <string_view>

namespace naming {

// True when the birthday text has the shape YYYY-MM-DD: exactly 10 characters with
// "-" as characters 5 and 8. Whether the fields name a real day is not tested here.
bool birthdayShapeOk(std::string_view birthday);

// True for Exif's way of saying "time unknown": every character but the colons is a
// blank, or the text is "0000:00:00 00:00:00".
bool isUnknownShootingTime(std::string_view shootingTime);

// True when the hour, minute and second fields of a shooting time text hold only
// characters that may stand in a file name on every platform (printable ASCII but
// / \ : * ? " < > |).
bool clockFitsFileName(std::string_view shootingTime);

struct AgeStamp {
    int years = 0;
    int months = 0;
    int day = 0;       // day of the current month of age; the anniversary is day 1
    std::string clock; // 14点05分33秒, the shooting time's fields copied unchanged

    friend bool operator==(const AgeStamp&, const AgeStamp&) = default;
};

// The child's age when the photo was taken. birthday is "YYYY-MM-DD", shootingTime
// "YYYY:MM:DD HH:MM:SS" cut into fields by position (a short text gives short fields).
// No value when the shooting date or the birthday does not name a real day, or the
// month anniversary lies outside the representable years.
std::optional<AgeStamp> ageStamp(std::string_view birthday, std::string_view shootingTime);

// Y岁M月D天(clock), numbers in plain decimal with a leading "-" when negative.
std::string baseName(const AgeStamp& stamp);

// base + letter + extension.
std::string photoName(std::string_view base, std::string_view letter = {},
                      std::string_view extension = ".jpg");

} // namespace naming
