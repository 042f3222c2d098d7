// Whole units needed for a count of smaller ones: clusters for bytes,
// sectors for records.
#pragma once

// count / unit rounded up; 0 for a count of 0 (unit > 0).
template <typename T>
constexpr T CeilDiv(T count, T unit) {
  return count > 0 ? (count - 1) / unit + 1 : 0;
}
