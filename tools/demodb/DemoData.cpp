#include "DemoData.h"

#include "schema/TaxIdChecks.h"

namespace demodb {

const std::vector<Town>& Towns() {
    static const std::vector<Town> towns = {
        {"Milano", "20121", "MI", "015146", "F205"},        {"Roma", "00184", "RM", "058091", "H501"},
        {"Torino", "10121", "TO", "001272", "L219"},        {"Napoli", "80133", "NA", "063049", "F839"},
        {"Bologna", "40121", "BO", "037006", "A944"},       {"Firenze", "50122", "FI", "048017", "D612"},
        {"Genova", "16121", "GE", "010025", "D969"},        {"Venezia", "30124", "VE", "027042", "L736"},
        {"Verona", "37121", "VR", "023091", "L781"},        {"Padova", "35122", "PD", "028060", "G224"},
        {"Brescia", "25121", "BS", "017029", "B157"},       {"Bergamo", "24121", "BG", "016024", "A794"},
        {"Como", "22100", "CO", "013075", "C933"},          {"Monza", "20900", "MB", "108033", "F704"},
        {"Varese", "21100", "VA", "012133", "L682"},        {"Pavia", "27100", "PV", "018110", "G388"},
        {"Cremona", "26100", "CR", "019036", "D150"},       {"Mantova", "46100", "MN", "020030", "E897"},
        {"Trento", "38122", "TN", "022205", "L378"},        {"Bolzano", "39100", "BZ", "021008", "A952"},
        {"Udine", "33100", "UD", "030129", "L483"},         {"Trieste", "34121", "TS", "032006", "L424"},
        {"Treviso", "31100", "TV", "026086", "L407"},       {"Vicenza", "36100", "VI", "024116", "L840"},
        {"Parma", "43121", "PR", "034027", "G337"},         {"Modena", "41121", "MO", "036023", "F257"},
        {"Reggio Emilia", "42121", "RE", "035033", "H223"}, {"Ferrara", "44121", "FE", "038008", "D548"},
        {"Ravenna", "48121", "RA", "039014", "H199"},       {"Rimini", "47921", "RN", "099014", "H294"},
        {"Ancona", "60121", "AN", "042002", "A271"},        {"Perugia", "06121", "PG", "054039", "G478"},
        {"Pisa", "56125", "PI", "050026", "G702"},          {"Livorno", "57123", "LI", "049009", "E625"},
        {"Lucca", "55100", "LU", "046017", "E715"},         {"Siena", "53100", "SI", "052032", "I726"},
        {"Pescara", "65121", "PE", "068028", "G482"},       {"Bari", "70121", "BA", "072006", "A662"},
        {"Lecce", "73100", "LE", "075035", "E506"},         {"Salerno", "84121", "SA", "065116", "H703"},
        {"Cagliari", "09124", "CA", "092009", "B354"},      {"Palermo", "90133", "PA", "082053", "G273"},
        {"Catania", "95121", "CT", "087015", "C351"},       {"Cuneo", "12100", "CN", "004078", "D205"},
        {"Novara", "28100", "NO", "003106", "F952"},        {"Alessandria", "15121", "AL", "006003", "A182"},
        {"Piacenza", "29121", "PC", "033032", "G535"},      {"Lodi", "26900", "LO", "098031", "E648"},
    };
    return towns;
}

const std::vector<Line>& Lines() {
    static const std::vector<Line> lines = {
        {"FER", "Ferramenta"},       {"ELE", "Materiale elettrico"}, {"IDR", "Idraulica"},
        {"VER", "Vernici e colori"}, {"GIA", "Giardinaggio"},        {"UTE", "Utensileria"},
    };
    return lines;
}

const std::vector<Category>& Categories() {
    static const std::vector<Category> categories = {
        {"VIT", "Viteria e bulloneria", false, 0}, {"SER", "Serrature e chiavi", false, 0},
        {"MAN", "Maniglie e accessori", true, 0},  {"CAV", "Cavi e conduttori", false, 1},
        {"ILL", "Illuminazione", false, 1},        {"LAM", "Lampadine", true, 1},
        {"RUB", "Rubinetteria", false, 2},         {"TUB", "Tubi e raccordi", false, 2},
        {"GUA", "Guarnizioni", true, 2},           {"SMA", "Smalti e pitture", false, 3},
        {"PEN", "Pennelli e rulli", true, 3},      {"ATT", "Attrezzi da giardino", false, 4},
        {"IRR", "Irrigazione", false, 4},          {"ELU", "Elettroutensili", false, 5},
        {"MAU", "Utensili manuali", false, 5},     {"ACC", "Punte e accessori", true, 5},
    };
    return categories;
}

namespace {

const std::vector<QString> kMaleNames = {"Marco", "Luca",    "Giuseppe", "Giovanni",   "Andrea",  "Francesco",
                                         "Paolo", "Stefano", "Roberto",  "Alessandro", "Massimo", "Davide",
                                         "Fabio", "Simone",  "Matteo",   "Lorenzo",    "Antonio", "Claudio"};
const std::vector<QString> kFemaleNames = {
    "Maria", "Anna",   "Giulia",    "Francesca", "Laura",      "Sara",    "Chiara", "Paola",
    "Elena", "Silvia", "Valentina", "Federica",  "Alessandra", "Roberta", "Marta",  "Cristina"};
const std::vector<QString> kSurnames = {
    "Rossi",      "Russo",     "Ferrari",  "Esposito", "Bianchi",    "Romano",    "Colombo",    "Ricci",
    "Marino",     "Greco",     "Bruno",    "Gallo",    "Conti",      "De Luca",   "Mancini",    "Costa",
    "Giordano",   "Rizzo",     "Lombardi", "Moretti",  "Barbieri",   "Fontana",   "Santoro",    "Mariani",
    "Rinaldi",    "Caruso",    "Ferrara",  "Galli",    "Martini",    "Leone",     "Longo",      "Gentile",
    "Martinelli", "Vitale",    "Lombardo", "Serra",    "Coppola",    "De Santis", "D'Angelo",   "Marchetti",
    "Parisi",     "Villa",     "Conte",    "Ferraro",  "Ferri",      "Fabbri",    "Bianco",     "Marini",
    "Grasso",     "Valentini", "Messina",  "Sala",     "De Angelis", "Gatti",     "Pellegrini", "Palumbo",
    "Sanna",      "Farina",    "Rizzi",    "Monti",    "Cattaneo",   "Morelli",   "Amato"};
const std::vector<QString> kStreets = {"Via Roma",
                                       "Via Garibaldi",
                                       "Via Mazzini",
                                       "Corso Italia",
                                       "Via Verdi",
                                       "Via Dante",
                                       "Viale Europa",
                                       "Via Manzoni",
                                       "Via Cavour",
                                       "Piazza della Repubblica",
                                       "Via XX Settembre",
                                       "Via Marconi",
                                       "Via dell'Industria",
                                       "Via dell'Artigianato",
                                       "Via Vittorio Veneto",
                                       "Via Matteotti",
                                       "Via IV Novembre",
                                       "Via dei Mille",
                                       "Via Leonardo da Vinci",
                                       "Via Volta"};
const std::vector<QString> kTrades = {
    "Ferramenta", "Colorificio", "Elettroforniture", "Termoidraulica",        "Garden Center", "Edilcasa",
    "Casalinghi", "Utensileria", "Bricocentro",      "Forniture Industriali", "Emporio"};
const std::vector<QString> kLegalForms = {"S.r.l.", "S.n.c.", "S.a.s.", "di", "S.p.A.", "& C."};

struct Goods {
    std::vector<QString> kinds;
    std::vector<QString> qualities;
};
const std::vector<Goods> kGoods = {
    {{"Vite autofilettante", "Bullone esagonale", "Tassello in nylon", "Serratura a cilindro", "Cerniera",
      "Maniglia in ottone", "Lucchetto", "Chiodo", "Rondella"},
     {"zincata", "inox", "4x40 mm", "6x60 mm", "8x80 mm", "cromata", "brunita", "conf. 100 pz",
      "conf. 50 pz"}},
    {{"Cavo unipolare", "Presa Schuko", "Interruttore", "Plafoniera", "Lampadina LED", "Faretto", "Prolunga",
      "Scatola di derivazione", "Multipresa"},
     {"1,5 mm²", "2,5 mm²", "10 W", "15 W", "IP44", "bianca", "nera", "10 m", "4 posti"}},
    {{"Rubinetto a sfera", "Miscelatore", "Raccordo a gomito", "Tubo multistrato", "Guarnizione", "Sifone",
      "Flessibile", "Valvola di ritegno", "Manometro"},
     {"1/2\"", "3/4\"", "1\"", "cromato", "in ottone", "16 mm", "20 mm", "50 cm", "inox"}},
    {{"Smalto all'acqua", "Idropittura", "Impregnante", "Pennello piatto", "Rullo", "Fondo fissativo",
      "Vernice antiruggine", "Stucco in pasta", "Nastro di carta"},
     {"bianco", "grigio", "noce", "0,75 l", "2,5 l", "14 l", "50 mm", "satinato", "lucido"}},
    {{"Tubo da giardino", "Irrigatore", "Forbice da potatura", "Rastrello", "Vanga", "Tosaerba",
      "Programmatore", "Guanti da lavoro", "Sacco di terriccio"},
     {"15 m", "25 m", "oscillante", "a batteria", "in acciaio", "telescopico", "taglia 9", "50 l", "80 l"}},
    {{"Trapano avvitatore", "Smerigliatrice", "Seghetto alternativo", "Set di punte", "Cacciavite",
      "Chiave combinata", "Martello", "Metro a nastro", "Livella"},
     {"18 V", "750 W", "115 mm", "HSS 10 pz", "a croce", "13 mm", "500 g", "5 m", "60 cm"}},
};

}  // namespace

QString Generator::firstName(bool& female) {
    female = chance(0.4);
    return female ? pick(kFemaleNames) : pick(kMaleNames);
}

QString Generator::surname() { return pick(kSurnames); }

QString Generator::street() { return QStringLiteral("%1, %2").arg(pick(kStreets)).arg(number(1, 180)); }

QString Generator::phone() {
    return QStringLiteral("0%1 %2").arg(number(2, 99)).arg(number(100000, 9999999));
}

QString Generator::partitaIva() {
    QString base;
    for (int i = 0; i < 7; ++i) base += QChar(u'0' + number(0, 9));
    base += QStringLiteral("%1").arg(number(1, 100), 3, 10, QChar(u'0'));  // province office
    for (int check = 0; check < 10; ++check) {
        QString code = base + QChar(u'0' + check);
        if (schema::IsValidPartitaIva(code)) return code;
    }
    return base + u'0';  // not reached: one digit always fits
}

namespace {

QString threeLetters(const QString& text, bool firstName) {
    QString upper;
    for (QChar c : text.toUpper())
        if (c >= u'A' && c <= u'Z') upper += c;
    QString consonants, vowels;
    for (QChar c : upper) (QStringLiteral("AEIOU").contains(c) ? vowels : consonants) += c;
    if (firstName && consonants.size() >= 4)
        consonants = QString(consonants[0]) + consonants[2] + consonants[3];
    QString code = (consonants + vowels + QStringLiteral("XXX")).left(3);
    return code;
}

}  // namespace

QString Generator::codiceFiscale(const QString& surname, const QString& firstName, bool female,
                                 const Town& town) {
    static const char kMonths[] = "ABCDEHLMPRST";
    int day = number(1, 28) + (female ? 40 : 0);
    QString code = threeLetters(surname, false) + threeLetters(firstName, true) +
                   QStringLiteral("%1").arg(number(40, 99), 2, 10, QChar(u'0')) +
                   QChar(kMonths[number(0, 11)]) + QStringLiteral("%1").arg(day, 2, 10, QChar(u'0')) +
                   QString::fromLatin1(town.cadastral);
    for (char16_t check = u'A'; check <= u'Z'; ++check)
        if (schema::IsValidCodiceFiscale(code + QChar(check))) return code + QChar(check);
    return code + u'X';  // not reached: one letter always fits
}

QString Generator::ean13() {
    QString digits = QStringLiteral("80");
    for (int i = 0; i < 10; ++i) digits += QChar(u'0' + number(0, 9));
    int sum = 0;
    for (int i = 0; i < 12; ++i) sum += (digits.at(i).unicode() - u'0') * (i % 2 == 0 ? 1 : 3);
    return digits + QChar(u'0' + (10 - sum % 10) % 10);
}

QString Generator::companyName(const QString& surname) {
    const QString& form = pick(kLegalForms);
    if (form == QLatin1String("di")) return QStringLiteral("%1 di %2").arg(pick(kTrades), surname);
    return QStringLiteral("%1 %2 %3").arg(pick(kTrades), surname, form);
}

QString Generator::articleDescription(int line, QString* details) {
    const Goods& goods = kGoods.at(size_t(line) % kGoods.size());
    QString kind = pick(goods.kinds);
    QString quality = pick(goods.qualities);
    if (details) *details = QStringLiteral("%1 %2, qualità professionale").arg(kind, quality);
    return QStringLiteral("%1 %2").arg(kind, quality);
}

}  // namespace demodb
