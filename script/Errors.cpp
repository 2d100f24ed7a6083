#include "script/Errors.h"

#include "core/AppError.h"

#include <QHash>

namespace script {

namespace {

const QHash<int, QString>& table() {
    static const QHash<int, QString> t = {
        {3, QStringLiteral("Return senza GoSub")},
        {5, QStringLiteral("Chiamata di routine o argomento non valido")},
        {6, QStringLiteral("Overflow")},
        {7, QStringLiteral("Memoria esaurita")},
        {9, QStringLiteral("Indice non incluso nell'intervallo")},
        {10, QStringLiteral("Matrice fissa o temporaneamente bloccata")},
        {11, QStringLiteral("Divisione per zero")},
        {13, QStringLiteral("Tipo non corrispondente")},
        {14, QStringLiteral("Spazio stringa esaurito")},
        {17, QStringLiteral("Impossibile eseguire l'operazione richiesta")},
        {28, QStringLiteral("Spazio dello stack esaurito")},
        {35, QStringLiteral("Sub o Function non definita")},
        {48, QStringLiteral("Errore nel caricamento della DLL")},
        {51, QStringLiteral("Errore interno")},
        {91, QStringLiteral("Variabile oggetto non impostata")},
        {92, QStringLiteral("Ciclo For non inizializzato")},
        {94, QStringLiteral("Uso non valido di Null")},
        {424, QStringLiteral("Necessario oggetto")},
        {429, QStringLiteral("Il componente ActiveX non può creare l'oggetto")},
        {438, QStringLiteral("Proprietà o metodo non supportati dall'oggetto")},
        {440, QStringLiteral("Errore di automazione")},
        {445, QStringLiteral("L'oggetto non supporta questa azione")},
        {446, QStringLiteral("L'oggetto non supporta gli argomenti denominati")},
        {447, QStringLiteral("L'oggetto non supporta l'impostazione locale corrente")},
        {448, QStringLiteral("Argomento denominato non trovato")},
        {449, QStringLiteral("Argomento non facoltativo")},
        {450, QStringLiteral("Numero di argomenti errato o assegnazione di proprietà non valida")},
        {451, QStringLiteral("L'oggetto non è un insieme")},
        {457, QStringLiteral("Chiave già associata a un elemento di questo insieme")},
        {458, QStringLiteral("La variabile utilizza un tipo di automazione non supportato")},
        {462, QStringLiteral("Il computer server remoto non esiste o non è disponibile")},
        {500, QStringLiteral("Variabile non definita")},
        {501, QStringLiteral("Assegnazione non valida")},
        {502, QStringLiteral("Oggetto non sicuro per lo scripting")},
        {503, QStringLiteral("Oggetto non sicuro per l'inizializzazione")},
        {504, QStringLiteral("Oggetto non sicuro per la creazione")},
        {505, QStringLiteral("Riferimento non valido o non qualificato")},
        {506, QStringLiteral("Classe non definita")},
        {507, QStringLiteral("Si è verificata un'eccezione")},
        // Dictionary.
        {32811, QStringLiteral("Elemento non trovato")},
        // RegExp.
        {5017, QStringLiteral("Errore di sintassi nell'espressione regolare")},
        // Compile errors.
        {1001, QStringLiteral("Memoria esaurita")},
        {1002, QStringLiteral("Errore di sintassi")},
        {1003, QStringLiteral("Previsto ':'")},
        {1005, QStringLiteral("Previsto '('")},
        {1006, QStringLiteral("Previsto ')'")},
        {1007, QStringLiteral("Previsto ']'")},
        {1010, QStringLiteral("Previsto identificatore")},
        {1011, QStringLiteral("Previsto '='")},
        {1012, QStringLiteral("Previsto 'If'")},
        {1013, QStringLiteral("Previsto 'To'")},
        {1014, QStringLiteral("Previsto 'End'")},
        {1015, QStringLiteral("Previsto 'Function'")},
        {1016, QStringLiteral("Previsto 'Sub'")},
        {1017, QStringLiteral("Previsto 'Then'")},
        {1018, QStringLiteral("Previsto 'Wend'")},
        {1019, QStringLiteral("Previsto 'Loop'")},
        {1020, QStringLiteral("Previsto 'Next'")},
        {1021, QStringLiteral("Previsto 'Case'")},
        {1022, QStringLiteral("Previsto 'Select'")},
        {1023, QStringLiteral("Prevista espressione")},
        {1024, QStringLiteral("Prevista istruzione")},
        {1025, QStringLiteral("Prevista fine istruzione")},
        {1026, QStringLiteral("Previsto numero intero costante")},
        {1027, QStringLiteral("Previsto 'While' o 'Until'")},
        {1028, QStringLiteral("Previsto 'While', 'Until' o fine istruzione")},
        {1029, QStringLiteral("Previsto 'With'")},
        {1030, QStringLiteral("Identificatore troppo lungo")},
        {1031, QStringLiteral("Numero non valido")},
        {1032, QStringLiteral("Carattere non valido")},
        {1033, QStringLiteral("Costante di stringa non terminata")},
        {1034, QStringLiteral("Commento non terminato")},
        {1037, QStringLiteral("Uso non valido della parola chiave 'Me'")},
        {1038, QStringLiteral("'Loop' senza 'Do'")},
        {1039, QStringLiteral("Istruzione 'Exit' non valida")},
        {1040, QStringLiteral("Variabile di controllo del ciclo 'For' non valida")},
        {1041, QStringLiteral("Nome ridefinito")},
        {1042, QStringLiteral("Deve essere la prima istruzione della riga")},
        {1044, QStringLiteral("Impossibile utilizzare le parentesi quando si chiama una Sub")},
        {1045, QStringLiteral("Prevista costante letterale")},
        {1046, QStringLiteral("Previsto 'In'")},
        {1047, QStringLiteral("Previsto 'Class'")},
        {1048, QStringLiteral("Deve essere definito all'interno di una classe")},
        {1049, QStringLiteral("Previsto Let, Set o Get nella dichiarazione della proprietà")},
        {1050, QStringLiteral("Previsto 'Property'")},
        {1051,
         QStringLiteral("Il numero di argomenti deve essere coerente tra le specifiche della proprietà")},
        {1052, QStringLiteral("Impossibile avere più proprietà o funzioni predefinite in una classe")},
        {1053, QStringLiteral("Class_Initialize o Class_Terminate non possono avere argomenti")},
        {1054, QStringLiteral("La proprietà Set o Let deve avere almeno un argomento")},
        {1055, QStringLiteral("'Next' imprevisto")},
        {1057, QStringLiteral("La specifica 'Default' deve specificare anche 'Public'")},
        {1058, QStringLiteral("La specifica 'Default' può essere utilizzata solo in Property Get")},
    };
    return t;
}

}  // namespace

QString errorDescription(int number) {
    const auto& t = table();
    const auto it = t.constFind(number);
    if (it != t.constEnd()) return it.value();
    return QStringLiteral("Errore definito dall'applicazione o dall'oggetto");
}

void raiseError(int number) { throw core::AppError(number, errorSource(), errorDescription(number)); }

void raiseError(int number, const QString& description) {
    throw core::AppError(number, errorSource(), description);
}

}  // namespace script
