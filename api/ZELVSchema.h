#pragma once

#include "ZELV10RC.h"

class CZELVStore;

// The database layout and its ladder of migrations. Version 0 is an empty
// database; each step takes version n - 1 to n in one transaction and records
// the new number, so a failed step leaves the previous version intact.
class CZELVSchema {
public:
    static constexpr int kLatest = 7;

    // Brings the database up to `target` (the latest by default). A database
    // newer than this program, or one that holds another program's tables, is
    // refused and left exactly as it was.
    static CZELV10RC Migrate(CZELVStore& store, int target = kLatest);
    // The recorded version: 0 for an empty database. On PostgreSQL the tables
    // are looked for in the store's schema only; a schema that is missing, or
    // empty where the login may not create tables, is code 214, and Kelmar
    // tables the login may not read are code 213.
    static CZELV10RC Version(CZELVStore& store, int* version);

private:
    static CZELV10RC Step(CZELVStore& store, int to);
};
