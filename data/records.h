#pragma once
// The small helpers every window uses for single values. Table, field and condition
// are SQL fragments spliced in as given; text values are the caller's to quote.

#include <QString>

namespace data {

// Doubles every single quote, so the text can stand between single quotes in SQL.
QString SqlQuote(const QString& text);
// The text as an SQL string literal: quoted by SqlQuote, between single quotes.
QString SqlText(const QString& text);

// The first column of the statement's first row as a whole number; 0 when there is no row.
int FirstNumber(const QString& sql);

// The first row's value of field, as text; empty text when no row matches or it is NULL.
QString LookupValue(const QString& table, const QString& field, const QString& condition);

// update table set field=value where condition; value is spliced verbatim.
void UpdateValue(const QString& table, const QString& field, const QString& value,
                 const QString& condition);

// Whether a row holds value in field (other than the row with excludedId, when given).
// The value is quoted here, so a path with a quote tests correctly.
bool ValueExists(const QString& table, const QString& field, const QString& value,
                 const QString& excludedId);

// Whole number from text, as the toolkit's conversion does; throws ConversionError
// "'text' is not a valid integer value".
int StrToInt(const QString& text);

}  // namespace data
