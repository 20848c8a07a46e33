#pragma once

namespace kv {

// The word table as the program expects it; the test servers and the setup
// tool create it from this one text. "woord" compares without regard to case
// and accents, so a pattern "IDEEEN" also finds "ideeën"; "lengte" and
// "veld3".."veld7" hold texts such as '5' and 'null'.
//
// The index on "woord" holds every column, so a search reads the index
// alone, in its order: no lookup of each row, and no sort even when the
// pattern starts with a wildcard and the whole index is read. "woord" cannot
// be the clustered primary key instead: the table keeps words that differ
// only in case or accents ("Bob", "bob"), which its collation counts as equal.
inline constexpr const char* WordTableSchema =
    "CREATE TABLE kvls ("
    "woord VARCHAR(10) CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_520_ci NULL, "
    "lengte VARCHAR(3) NULL, "
    "veld3 VARCHAR(50) NULL, "
    "veld4 VARCHAR(50) NULL, "
    "veld5 VARCHAR(50) NULL, "
    "veld6 VARCHAR(50) NULL, "
    "veld7 VARCHAR(50) NULL, "
    "KEY woord (woord, lengte, veld3, veld4, veld5, veld6, veld7)"
    ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_520_ci";

} // namespace kv
