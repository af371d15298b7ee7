// The one reader of date and time texts, without a locale: ISO
// "2024-01-31", month first "1/31/2024", "31 Jan 2024", "31-Jan-24",
// "Jan 31, 2024" (English month names or their first three letters), each
// optionally followed by a time, or a time alone "10:30", "10:30:15",
// "10:30 PM". Header only and over any character type, so that the
// stand-in's calculation (UTF-8) and the interpreter (UTF-16) read a text
// alike.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace cal_detail {

// One piece of a date text: a number, a word, or a separator character.
struct Piece {
  enum Kind { kNumber, kWord, kSeparator } kind;
  long value;        // number, separator character
  int digits;        // digits of a number
  std::string word;  // lower-case ASCII word
};

// Numbers longer than this are cut into pieces (and so read as no date).
constexpr int kMaxDigits = 9;

template <typename Char>
bool isDigit(Char c) {
  return c >= Char('0') && c <= Char('9');
}

// The lower-case ASCII letter of c; 0 for any other character.
template <typename Char>
char letterOf(Char c) {
  if (c >= Char('a') && c <= Char('z')) return static_cast<char>(c);
  if (c >= Char('A') && c <= Char('Z')) return static_cast<char>(c - Char('A') + 'a');
  return 0;
}

template <typename Char>
bool isBlank(Char c) {
  return c == Char(' ') || c == Char('\t');
}

template <typename Char>
std::vector<Piece> split(std::basic_string_view<Char> text) {
  std::vector<Piece> pieces;
  std::size_t i = 0;
  while (i < text.size()) {
    const Char c = text[i];
    if (isBlank(c)) {
      ++i;
    } else if (isDigit(c)) {
      Piece p{Piece::kNumber, 0, 0, {}};
      for (; i < text.size() && isDigit(text[i]) && p.digits < kMaxDigits; ++i, ++p.digits)
        p.value = p.value * 10 + (text[i] - Char('0'));
      pieces.push_back(p);
    } else if (letterOf(c)) {
      Piece p{Piece::kWord, 0, 0, {}};
      for (; i < text.size() && letterOf(text[i]); ++i) p.word += letterOf(text[i]);
      pieces.push_back(p);
    } else {
      pieces.push_back(Piece{Piece::kSeparator, static_cast<long>(c), 0, {}});
      ++i;
    }
  }
  return pieces;
}

// Month 1..12 of an English month name or its three-letter abbreviation.
inline int monthOfWord(const std::string& word) {
  static constexpr std::string_view kMonths[] = {"january", "february", "march",     "april",   "may",      "june",
                                                 "july",    "august",   "september", "october", "november", "december"};
  for (int m = 0; m < 12; ++m)
    if (word == kMonths[m] || (word.size() == 3 && kMonths[m].substr(0, 3) == word)) return m + 1;
  return 0;
}

// Days from 30 December 1899 to the given date of the Gregorian calendar;
// false for an invalid date. Two-digit years below 30 are 20xx.
inline bool daysOf(long year, long month, long day, double* out) {
  constexpr long kPivot = 30;
  if (year < 100) year += year < kPivot ? 2000 : 1900;
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static constexpr long kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > kDays[month - 1] + (month == 2 && leap)) return false;
  // Days since 1 March of year 0 in the proleptic Gregorian calendar.
  const long y = month <= 2 ? year - 1 : year;
  const long m = month <= 2 ? month + 9 : month - 3;
  const long days = 365L * y + y / 4 - y / 100 + y / 400 + (153 * m + 2) / 5 + day - 1;
  const long epoch = 365L * 1899 + 1899 / 4 - 1899 / 100 + 1899 / 400 + (153 * 9 + 2) / 5 + 30 - 1;
  *out = static_cast<double>(days - epoch);
  return true;
}

inline bool isSeparator(const Piece& p, char c) { return p.kind == Piece::kSeparator && p.value == c; }

// Reads a time "h:mm[:ss] [am|pm]" from pieces[at..] to their end; the
// fraction of a day.
inline bool readTime(const std::vector<Piece>& p, std::size_t at, double* fraction) {
  constexpr double kSecondsPerDay = 86400;
  long parts[3] = {0, 0, 0};
  std::size_t count = 0;
  while (at < p.size() && p[at].kind == Piece::kNumber && count < 3) {
    parts[count++] = p[at++].value;
    if (at < p.size() && isSeparator(p[at], ':') && count < 3) ++at;
    else break;
  }
  if (count < 2) return false;
  long hour = parts[0];
  if (at < p.size() && p[at].kind == Piece::kWord) {
    const bool pm = p[at].word == "pm";
    if ((!pm && p[at].word != "am") || hour < 1 || hour > 12) return false;
    hour = hour % 12 + (pm ? 12 : 0);
    ++at;
  }
  if (at != p.size() || hour > 23 || parts[1] > 59 || parts[2] > 59) return false;
  *fraction = (hour * 3600.0 + parts[1] * 60.0 + parts[2]) / kSecondsPerDay;
  return true;
}

// Reads the date part; *next is the index after it.
inline bool readDate(const std::vector<Piece>& p, double* days, std::size_t* next) {
  if (p.size() < 3) return false;
  const auto number = [&](std::size_t i) { return i < p.size() && p[i].kind == Piece::kNumber; };
  const auto month = [&](std::size_t i) {
    return i < p.size() && p[i].kind == Piece::kWord ? monthOfWord(p[i].word) : 0;
  };
  const auto dateSeparator = [&](std::size_t i) {
    return i < p.size() && (isSeparator(p[i], '-') || isSeparator(p[i], '/'));
  };
  // Numeric forms: y-m-d with a four-digit year first, else m/d/y.
  if (number(0) && dateSeparator(1) && number(2) && p.size() >= 5 && p[3].kind == Piece::kSeparator &&
      p[3].value == p[1].value && number(4)) {
    *next = 5;
    if (p[0].digits == 4) return daysOf(p[0].value, p[2].value, p[4].value, days);
    return p[4].digits != 1 && p[4].digits != 3 && daysOf(p[4].value, p[0].value, p[2].value, days);
  }
  // d mmm yyyy, d-mmm-yyyy.
  if (number(0) && p[0].digits <= 2) {
    std::size_t i = dateSeparator(1) ? 2 : 1;
    const int m = month(i++);
    if (!m) return false;
    if (dateSeparator(i)) ++i;
    if (!number(i) || (p[i].digits != 2 && p[i].digits != 4)) return false;
    *next = i + 1;
    return daysOf(p[i].value, m, p[0].value, days);
  }
  // mmm d, yyyy.
  if (month(0) && number(1) && p[1].digits <= 2) {
    const std::size_t i = isSeparator(p[2], ',') ? 3 : 2;
    if (!number(i) || (p[i].digits != 2 && p[i].digits != 4)) return false;
    *next = i + 1;
    return daysOf(p[i].value, month(0), p[1].value, days);
  }
  return false;
}

template <typename Char>
std::basic_string_view<Char> trimmed(std::basic_string_view<Char> s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace cal_detail

// The whole text (blanks and tabs around it allowed) read as a date, a
// time or both: days from 30 December 1899, as automation dates count
// them, the time as the fraction; false when it is none of these.
template <typename Char>
bool Cal_readDays(std::basic_string_view<Char> text, double* out) {
  using namespace cal_detail;
  const std::vector<Piece> pieces = split(trimmed(text));
  if (pieces.empty()) return false;
  double days = 0.0, fraction = 0.0;
  std::size_t next = 0;
  if (readDate(pieces, &days, &next)) {
    if (next < pieces.size() && !readTime(pieces, next, &fraction)) return false;
  } else if (!readTime(pieces, 0, &fraction)) {
    return false;
  }
  *out = days + fraction;
  return true;
}

// The same text as a worksheet's serial number, whose day 1 is 1 January
// 1900 and whose calendar holds a 29 February 1900: the days from
// 31 December 1899 to 28 February 1900 are one less than Cal_readDays
// counts; a time alone (below day 1) stays as it is.
template <typename Char>
bool Cal_sheetSerial(std::basic_string_view<Char> text, double* serial) {
  constexpr double kFirstShiftedDay = 1;
  constexpr double kFirstSharedDay = 61;
  double days = 0;
  if (!Cal_readDays(text, &days)) return false;
  *serial = days >= kFirstShiftedDay && days < kFirstSharedDay ? days - 1 : days;
  return true;
}
