#include "FilterExpression.h"

// Placeholder until the parser lands.
struct FilterExpression::Node {};
FilterExpression::FilterExpression() = default;
FilterExpression FilterExpression::parse(const QString &, const QVector<FieldDef> &) { return {}; }
bool FilterExpression::isEmpty() const { return !m_root; }
bool FilterExpression::matches(const RecordData &, int) const { return true; }
