#pragma once
// Outcome of a table operation: an error kind the caller can branch on and a text for people.
#include <string>

namespace vorsan::db {

enum class DbError {
    None,
    NotFound,  // the file does not exist
    Locked,    // another opener holds the table
    Io,        // the operating system refused a read, write, rename or sync
    BadHeader, // the first 32 bytes are not a table header we can use
    BadFields, // field descriptors damaged or without their 0x0D terminator
    Truncated, // the header promises more rows than the file holds
    BadIndex,  // the index file is damaged (reader side)
    NoSuchTag,
    BadExpression, // a key expression we cannot evaluate
    NoSuchField,
    WrongType,     // value of the wrong kind for the field
    ValueOverflow, // a number that does not fit its field
    BadValue,      // e.g. a date that is no calendar date
    NotOpen,
    NoCurrentRow,
    LayoutMismatch, // merge source and destination differ in layout
    Exists,         // create refused to overwrite
    ReadOnly,
};

struct DbStatus {
    DbError error = DbError::None;
    std::string detail;

    bool ok() const { return error == DbError::None; }
    explicit operator bool() const { return ok(); }
    static DbStatus fail(DbError e, std::string text) { return {e, std::move(text)}; }
};

} // namespace vorsan::db
