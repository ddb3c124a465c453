// SQL-WHERE-like expressions over the attribute values of one shape at a time.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/Variants.h"

// Value of a field (its name upper-cased) for the current shape.
using TGIS_SqlFieldEvent = std::function<Variant(const std::string& field)>;

class T_SqlParser;

class TGIS_SqlQuery {
public:
    TGIS_SqlQuery();
    ~TGIS_SqlQuery();
    TGIS_SqlQuery(const TGIS_SqlQuery&) = delete;
    TGIS_SqlQuery& operator=(const TGIS_SqlQuery&) = delete;

    // Raises EGIS_Exception 0020 with the text when it does not compile.
    void Prepare(const std::string& text);
    const std::string& Text() const { return text_; }

    // A field that is Null or empty makes the result false (0); any other failure gives `def`.
    bool Evaluate(bool def, const TGIS_SqlFieldEvent& onField);
    double EvaluateFloat(double def, const TGIS_SqlFieldEvent& onField);

private:
    std::string text_;
    std::unique_ptr<T_SqlParser> parser_;
};
