#pragma once

#include <QString>

// What a bar file holds, read from its header, its first record and its last record only, so a
// library of thousands of files is surveyed in a moment. The header and those records pass the
// same checks as a full read; the records between them are not read.
struct BarFileGlance
{
    bool missing = false;
    QString error; // why the file is not one the writers make; empty when it is (or is missing)
    int bars = 0;
    double firstDate = 0.0; // date values; 0 without bars
    double lastDate = 0.0;

    [[nodiscard]] bool ok() const { return !missing && error.isEmpty(); }
};

// The file at `path`, as .bin or .kyv by its extension in any case.
[[nodiscard]] BarFileGlance GlanceAtBarFile(const QString &path);
