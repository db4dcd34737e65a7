#include "naming/photo_name.h"

#include "naming/calendar.h"

#include <algorithm>
#include <array>

namespace naming {
namespace {

// Bytes taken by the character starting at text[i]. A byte that does not start a
// valid UTF-8 sequence counts as one character of its own, so malformed input still
// has a well-defined length.
std::size_t sequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 1;
    if (i + length > text.size())
        return 1;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

// Byte offset of the character `index` (from 0), clipped to the end of the text.
std::size_t offsetOf(std::string_view text, std::size_t index) {
    std::size_t i = 0;
    for (; index > 0 && i < text.size(); --index)
        i += sequenceLength(text, i);
    return i;
}

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += sequenceLength(text, i))
        ++count;
    return count;
}

// Characters first..first+count-1 (counting from 1), clipped to the text like BASIC's Mid.
std::string_view field(std::string_view text, std::size_t first, std::size_t count) {
    const std::string_view rest = text.substr(offsetOf(text, first - 1));
    return rest.substr(0, offsetOf(rest, count));
}

struct ShootingFields {
    std::string_view year, month, day, hour, minute, second;
};

ShootingFields cut(std::string_view t) {
    // Byte offsets of characters 1 to 20, found in one pass and clipped to the end of the
    // text, so each field is cut by two offsets rather than by walking the text again.
    std::array<std::size_t, 20> start{};
    for (std::size_t k = 0, i = 0; k < start.size(); ++k) {
        start[k] = i;
        if (i < t.size())
            i += sequenceLength(t, i);
    }
    const auto part = [&](std::size_t first, std::size_t count) {
        return t.substr(start[first - 1], start[first - 1 + count] - start[first - 1]);
    };
    return {part(1, 4), part(6, 2), part(9, 2), part(12, 2), part(15, 2), part(18, 2)};
}

// The day the child turns `months` months older than at birth, counted as month
// anniversaries from the birthday. A birth day the anniversary month lacks (the 31st
// in a 30-day month) makes the first day of the following month the anniversary, so
// the day of age never drops below 1.
std::optional<Date> monthAnniversary(Date birthday, int years, int months) {
    const int year = birthday.year() + years;
    const int month = birthday.month() + months;
    if (birthday.day() > daysInMonth(year, month))
        return compose(year, month + 1, 1);
    return compose(year, month, birthday.day());
}

} // namespace

bool birthdayShapeOk(std::string_view birthday) {
    return characterCount(birthday) == 10 && field(birthday, 5, 1) == "-" &&
           field(birthday, 8, 1) == "-";
}

bool isUnknownShootingTime(std::string_view shootingTime) {
    if (shootingTime == "0000:00:00 00:00:00")
        return true;
    return std::all_of(shootingTime.begin(), shootingTime.end(),
                       [](char c) { return c == ' ' || c == ':'; });
}

bool clockFitsFileName(std::string_view shootingTime) {
    const ShootingFields f = cut(shootingTime);
    for (std::string_view part : {f.hour, f.minute, f.second}) {
        for (const char c : part) {
            // Bytes of a non-ASCII character fall outside 0x20..0x7E too.
            if (c < 0x20 || c > 0x7E ||
                std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos)
                return false;
        }
    }
    return true;
}

std::optional<AgeStamp> ageStamp(std::string_view birthday, std::string_view shootingTime) {
    const ShootingFields f = cut(shootingTime);
    std::string shotDateText;
    shotDateText.reserve(10);
    shotDateText.append(f.year).append("-").append(f.month).append("-").append(f.day);
    const auto shotDate = parseDate(shotDateText);
    if (!shotDate)
        return std::nullopt;
    const auto birthDate = parseDate(birthday);
    if (!birthDate)
        return std::nullopt;

    const int yd = yearsBetween(*birthDate, *shotDate);
    const int md = monthsBetween(*birthDate, *shotDate);

    // Both texts parsed, so the two-character fields are ASCII digits and comparing
    // them as texts orders them as numbers.
    const std::string_view birthMonth = field(birthday, 6, 2);
    const std::string_view birthDay = field(birthday, 9, 2);
    int years = 0;
    int months = 0;
    if (f.month >= birthMonth && f.day >= birthDay) {
        years = yd;
        months = md - 12 * yd;
    } else if (f.month < birthMonth && f.day >= birthDay) {
        years = yd - 1;
        months = (md + 12) - 12 * yd;
    } else if (f.month <= birthMonth && f.day < birthDay) {
        years = yd - 1;
        months = (md + 11) - 12 * yd;
    } else {
        years = yd;
        months = (md - 1) - 12 * yd;
    }

    const auto anniversary = monthAnniversary(*birthDate, years, months);
    if (!anniversary)
        return std::nullopt;

    AgeStamp stamp;
    stamp.years = years;
    stamp.months = months;
    stamp.day = daysBetween(*anniversary, *shotDate) + 1;
    stamp.clock.reserve(f.hour.size() + f.minute.size() + f.second.size() + 9);
    stamp.clock.append(f.hour).append("点").append(f.minute).append("分").append(f.second).append(
        "秒");
    return stamp;
}

std::string baseName(const AgeStamp& stamp) {
    return std::to_string(stamp.years) + "岁" + std::to_string(stamp.months) + "月" +
           std::to_string(stamp.day) + "天(" + stamp.clock + ")";
}

std::string photoName(std::string_view base, std::string_view letter, std::string_view extension) {
    std::string name;
    name.reserve(base.size() + letter.size() + extension.size());
    name.append(base).append(letter).append(extension);
    return name;
}

} // namespace naming
