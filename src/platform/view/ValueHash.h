#pragma once

#include <QVariant>

#include <cstddef>

// A hash of a field value that agrees with compareValues(): values that compare equal
// hash alike when they are of the same kind (numbers, texts, dates). Values of mixed
// kinds that compare equal may hash apart; callers that bucket by hash therefore merge
// buckets whose values compare equal.
std::size_t valueHash(const QVariant &value);
