#pragma once
// Plausible Italian master data for the demo archive: towns, names, streets,
// goods, and valid VAT numbers, tax codes and EAN-13 codes. Everything comes
// from one seeded generator, so that the same seed gives the same archive.

#include <QString>
#include <QStringList>
#include <random>
#include <vector>

namespace demodb {

struct Town {
    const char* name;
    const char* cap;
    const char* province;
    const char* istatTown;
    const char* cadastral;  // the town's code inside tax codes
};

const std::vector<Town>& Towns();

class Generator {
  public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    int number(int from, int to) { return std::uniform_int_distribution<int>(from, to)(rng_); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
    template <class T>
    const T& pick(const std::vector<T>& items) {
        return items.at(size_t(number(0, int(items.size()) - 1)));
    }

    QString firstName(bool& female);
    QString surname();
    QString street();
    QString phone();
    // An 11-digit partita IVA with its check digit.
    QString partitaIva();
    // A codice fiscale of a person born in the given town, with its check letter.
    QString codiceFiscale(const QString& surname, const QString& firstName, bool female, const Town& town);
    // An EAN-13 code with its check digit (Italian prefix 80).
    QString ean13();
    // A company name: a trade and a surname, with a legal form.
    QString companyName(const QString& surname);
    // An article description made of a kind of goods and its qualities.
    QString articleDescription(int line, QString* details);

  private:
    std::mt19937 rng_;
};

// The product lines with their categories; some categories hold complements.
struct Category {
    const char* code;
    const char* description;
    bool complements;
    int line;  // index into Lines()
};
struct Line {
    const char* code;
    const char* description;
};
const std::vector<Line>& Lines();
const std::vector<Category>& Categories();

}  // namespace demodb
