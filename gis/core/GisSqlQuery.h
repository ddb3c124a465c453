// SQL-WHERE-like expressions over the attribute values of one shape at a time.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/Variants.h"

// Value of a field (its name upper-cased) for the current shape.
using TGIS_SqlFieldEvent = std::function<Variant(const std::string& field)>;
// Column of a field (its name upper-cased) in the caller's rows; negative when the rows have none.
using TGIS_SqlFieldBinder = std::function<int(const std::string& field)>;
// Value of a bound column in the current row, read where it stands; nullptr stands for Null.
using TGIS_SqlColumnEvent = std::function<const Variant*(int column)>;

class T_SqlParser;

class TGIS_SqlQuery {
public:
    TGIS_SqlQuery();
    ~TGIS_SqlQuery();
    TGIS_SqlQuery(const TGIS_SqlQuery&) = delete;
    TGIS_SqlQuery& operator=(const TGIS_SqlQuery&) = delete;

    // Raises EGIS_Exception 0020 with the text when it does not compile. Without a binder the
    // columns are the fields' positions in order of first appearance.
    void Prepare(const std::string& text, const TGIS_SqlFieldBinder& bind = nullptr);
    const std::string& Text() const { return text_; }

    // A field that is Null or empty makes the result false (0); any other failure gives `def`.
    bool Evaluate(bool def, const TGIS_SqlFieldEvent& onField);
    double EvaluateFloat(double def, const TGIS_SqlFieldEvent& onField);
    // The same over the columns bound at Prepare, without a copy of the values.
    bool Evaluate(bool def, const TGIS_SqlColumnEvent& onColumn);
    double EvaluateFloat(double def, const TGIS_SqlColumnEvent& onColumn);

private:
    std::string text_;
    std::unique_ptr<T_SqlParser> parser_;
};
