#pragma once

#include <QString>

namespace tavixat {

// `tavixat-cli report`: the rows of the factory's database as CSV on standard output, the
// report's columns and then pc and batch, so that the whole production is in one file. Every
// batch, or the one named. The exit code.
int printDatabaseReport(const QString& url, const QString& batch);

} // namespace tavixat
