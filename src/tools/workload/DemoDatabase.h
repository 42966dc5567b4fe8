#pragma once
// The demo database's own objects: a few tables of a small shop (regions, products, orders), a
// generator, and the two procedures the workload calls. Setting them up again keeps what is there
// and the rows already made, so that it can run on every start.

#include "WorkloadSession.h"

// CREATE DATABASE through the server named in the connection (dialect 3, page size 8192).
// Throws when the database exists already.
void createDemoDatabase(const WorkloadConnection& connection);

// Creates the missing tables and the generator, fills empty tables with their rows, and creates or
// alters the procedures. One transaction for the tables, one for the rows and procedures.
void setupDemoDatabase(const WorkloadConnection& connection);

// The number of rows setupDemoDatabase puts into the reference tables.
inline constexpr int kDemoRegions = 8;
inline constexpr int kDemoProducts = 200;
