#pragma once
// Comparison codes of the condition builders (DataSet::BuildFieldCondition).

namespace datalib {

enum FieldMatch : int {
    MatchEqual = 0,         // =, Null as Is Null
    MatchNotEqual = 1,      // <>, Null as Is Not Null
    MatchGreaterEqual = 2,  // >=
    MatchLessEqual = 3,     // <=
    MatchRange = 6,         // from value to value2, both included
    MatchBeginsWith = 256,  // Like "text*"
    MatchContains = 257,    // Like "*text*"
};

}  // namespace datalib
