#pragma once

#include "tablelayout.h"

#include <QString>

#include <vector>

// Every table of the program, declared once. The accessors build their
// layout on first call; the result lives for the whole process. Each
// layout is version 1 unless its declaration says .version(n): a change to
// a table's fields or keys raises it, and the files written before are
// upgraded when they are next opened.
namespace tavimo::tables {

// People and reference lists
const TableLayout &personsName();
const TableLayout &doctors();
const TableLayout &sponsor();
const TableLayout &pharmacy();
const TableLayout &drugNames();
const TableLayout &form();
const TableLayout &manufacturer();
const TableLayout &labTestName();
const TableLayout &topics();
const TableLayout &conditions();
const TableLayout &bodySection();
const TableLayout &bodyParts();
const TableLayout &gender();
const TableLayout &reportName();
const TableLayout &expenseReasons();
const TableLayout &otherTimes();
const TableLayout &dummy();

// Health logs, insurance, expenses and the rest
const TableLayout &bloodpre();
const TableLayout &glucose();
const TableLayout &prescripts();
const TableLayout &medicineManager();
const TableLayout &labTests();
const TableLayout &painEvents();
const TableLayout &symptoms();
const TableLayout &familyHistory();
const TableLayout &surgeries();
const TableLayout &appointments();
const TableLayout &journal();
const TableLayout &planName();
const TableLayout &expenses();
const TableLayout &wallet();
const TableLayout &otherHistory();
const TableLayout &listFormats();

// The owner password every password-protected table is opened with.
QString ownerPassword();

// All tables in catalogue order.
const std::vector<const TableLayout *> &all();

// The table with this label, compared without regard to case; nullptr if none.
const TableLayout *byLabel(const QString &label);

namespace detail {
// Every table's keys compare without regard to case; all builders start here.
TableLayout::Builder start(const QString &label, const QString &prefix, const QString &storedName,
                           Protection protection = Protection::None);
} // namespace detail

} // namespace tavimo::tables
