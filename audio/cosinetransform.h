// CCosineTransform: the discrete cosine transform of one analysis frame,
//   X[k] = trunc(2 x sum_j frame[j] x cos(k (2j + 1) x 3.1415926 / (2N)) / N),
// kept in 16 bits. Up to CCosineTransform::FULL_TABLE_LIMIT samples the
// N x N cosines are tabulated once (8 N^2 bytes, 2 MiB at 512, 128 MiB at
// 4096). Larger frames, or a full table that cannot be allocated, use one
// period of 4N cosines indexed by k (2j + 1) modulo 4N (32 N bytes), which
// a 32-bit process can always hold; if even that fails the cosines are
// computed as they are needed.
#pragma once

#include <cstdint>
#include <memory>

class CCosineTransform {
public:
    static constexpr int32_t FULL_TABLE_LIMIT = 4096;
    enum TableKind { TABLE_FULL, TABLE_PERIOD, TABLE_NONE };

    // n >= 1; smaller values are taken as 1. forcePeriod selects the
    // one-period table whatever n is (for comparisons).
    explicit CCosineTransform(int32_t n, bool forcePeriod = false);
    CCosineTransform(const CCosineTransform&) = delete;
    CCosineTransform& operator=(const CCosineTransform&) = delete;

    // out[k] for k = 0 ... n - 1 from frame[0 ... n - 1].
    void Transform(const int16_t* frame, int16_t* out) const;
    // The cosine of row k, column j as the transform uses it.
    double Cosine(int32_t k, int32_t j) const;

    int32_t GetSize() const { return m_nSize; }
    TableKind GetKind() const { return m_kind; }
    // Bytes held by the table.
    int64_t GetTableBytes() const;

private:
    int32_t m_nSize;
    TableKind m_kind;
    std::unique_ptr<double[]> m_pTable;
};
