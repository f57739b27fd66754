#pragma once

// The parsed form of a filter text, shared by the parser and the binder.

#include "filterexpression.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace tavimo {

namespace filter {

enum class Comparison : unsigned char { Eq, Ne, Lt, Le, Gt, Ge };

// The number a text starts with: blanks, an optional sign, digits and an
// optional fraction. Anything else (a blank text too) reads as 0.
double leadingNumber(const char *p, qsizetype n);

} // namespace filter

struct FilterExpression::Syntax
{
    enum class Type : unsigned char {
        Or, And, Not, Compare,                        // conditions
        Sum, Negate, Upper, Lower, Text, Number, Name, Today, // values
    };

    Type type = Type::Number;
    int position = 0; // of the node's first character, 0-based
    filter::Comparison comparison = filter::Comparison::Eq;
    QString text;      // Text literal, Name
    double number = 0; // Number literal
    std::vector<std::unique_ptr<const Syntax>> children;
    std::vector<bool> negative; // Sum: whether each child is subtracted

    bool isCondition() const
    {
        return type == Type::Or || type == Type::And || type == Type::Not || type == Type::Compare;
    }

    // nullptr, with the reason in *error, when the text is refused.
    static std::unique_ptr<const Syntax> parse(const QString &text, QString *error);
};

} // namespace tavimo
