#pragma once

#include <QtTest>
#include <tuple>

// One table row per line: row("name", a, b) adds QTest::newRow("name") << a << b. Going through
// a call keeps clang-format from splitting rows of adjacent string literals over several lines.
template <typename... T> void row(const char *name, const T &...values)
{
    (QTest::newRow(name) << ... << values);
}

// columns<QString, int>("text", "value") declares a table's columns in one line.
template <typename... T, typename... Names> void columns(const Names &...names)
{
    (QTest::addColumn<T>(names), ...);
}

// The current row's cells in one line, checked against the column types as QFETCH does:
// auto [text, value] = cells<QString, int>("text", "value");
template <typename... T, typename... Names> std::tuple<T...> cells(const Names &...names)
{
    return {*static_cast<T *>(QTest::qData(names, qMetaTypeId<T>()))...};
}
