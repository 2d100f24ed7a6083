#pragma once
// The search of one text in another behind InStr, InStrRev, Replace, Split
// and Filter: binary, or as the language's text compare (letters folded to
// one case, as Qt compares them).
//
// Qt's own search is quick on everyday texts, but on some it takes time in
// the product of the two lengths: 2 M characters searched for a needle of
// 200 000 that differs at its first character would take hours. A short
// needle, or a small product, goes to Qt; anything else is searched in time
// proportional to the text (Knuth-Morris-Pratt), asking now and then
// whether the run must stop (core::checkRun).
//
//   TextFinder find(needle, textCompare);
//   for (qsizetype at = find.indexIn(text, 0); at >= 0; at = find.indexIn(text, at + needle.size())) ...

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace script::builtins {

class TextFinder {
  public:
    // The needle is read where it lies: it must outlive the finder. An
    // empty needle is found everywhere.
    TextFinder(QStringView needle, bool textCompare);

    // The first position from `from` (0-based) where the needle starts; -1 when none.
    qsizetype indexIn(QStringView text, qsizetype from) const;
    // The last position at or before `from` where the needle starts; -1 when none.
    qsizetype lastIndexIn(QStringView text, qsizetype from) const;

  private:
    bool quickEnough(qsizetype textLength) const;
    void prepare(bool backward) const;

    QStringView needle_;
    bool textCompare_;
    // The needle's characters as compared (folded for a text compare), and
    // for each length matched the length of its longest proper border; the
    // same for the needle read backwards. Made when first needed.
    mutable std::u16string forward_, backward_;
    mutable std::vector<std::int32_t> forwardBorders_, backwardBorders_;
};

}  // namespace script::builtins
