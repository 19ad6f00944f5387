// Discrete cosine transform of one analysis frame (see cosinetransform.h).
#include "audio/cosinetransform.h"

#include <cmath>
#include <new>

namespace {

// The value of pi the transform has always used; kept so that the
// coefficients stay what the threshold settings were tuned against.
constexpr double kPi = 3.1415926;

double CosineOf(int64_t product, int32_t n) {
    return std::cos(static_cast<double>(product) * kPi / (2.0 * n));
}

int16_t ScaleSum(double sum, int32_t n) {
    // |2 x sum / N| <= 65536 fits in 32 bits; the 16-bit store wraps as the
    // coefficient format always has (only a large DC offset gets there).
    const int32_t x = static_cast<int32_t>((2.0 * sum) / n);
    return static_cast<int16_t>(x);
}

}  // namespace

CCosineTransform::CCosineTransform(int32_t n, bool forcePeriod)
    : m_nSize(n < 1 ? 1 : n), m_kind(TABLE_NONE) {
    const int32_t size = m_nSize;
    if (!forcePeriod && size <= FULL_TABLE_LIMIT) {
        m_pTable.reset(new (std::nothrow) double[static_cast<size_t>(size) * size]);
        if (m_pTable) {
            m_kind = TABLE_FULL;
            for (int32_t k = 0; k < size; ++k) {
                double* row = m_pTable.get() + static_cast<size_t>(k) * size;
                for (int32_t j = 0; j < size; ++j) {
                    row[j] = CosineOf(int64_t{k} * (2 * j + 1), size);
                }
            }
            return;
        }
    }
    const int32_t period = 4 * size;
    m_pTable.reset(new (std::nothrow) double[static_cast<size_t>(period)]);
    if (m_pTable) {
        m_kind = TABLE_PERIOD;
        for (int32_t m = 0; m < period; ++m) {
            m_pTable[m] = CosineOf(m, size);
        }
    }
}

int64_t CCosineTransform::GetTableBytes() const {
    switch (m_kind) {
    case TABLE_FULL:
        return int64_t{m_nSize} * m_nSize * static_cast<int64_t>(sizeof(double));
    case TABLE_PERIOD:
        return int64_t{4} * m_nSize * static_cast<int64_t>(sizeof(double));
    default:
        return 0;
    }
}

double CCosineTransform::Cosine(int32_t k, int32_t j) const {
    const int64_t product = int64_t{k} * (2 * int64_t{j} + 1);
    switch (m_kind) {
    case TABLE_FULL:
        return m_pTable[static_cast<size_t>(k) * m_nSize + j];
    case TABLE_PERIOD:
        return m_pTable[static_cast<size_t>(product % (4 * int64_t{m_nSize}))];
    default:
        return CosineOf(product, m_nSize);
    }
}

void CCosineTransform::Transform(const int16_t* frame, int16_t* out) const {
    const int32_t n = m_nSize;
    if (m_kind == TABLE_FULL) {
        for (int32_t k = 0; k < n; ++k) {
            const double* row = m_pTable.get() + static_cast<size_t>(k) * n;
            double sum = 0.0;
            for (int32_t j = 0; j < n; ++j) {
                sum += frame[j] * row[j];
            }
            out[k] = ScaleSum(sum, n);
        }
        return;
    }
    if (m_kind == TABLE_PERIOD) {
        // Row k walks the period in steps of 2k from k.
        const int32_t period = 4 * n;
        const double* table = m_pTable.get();
        for (int32_t k = 0; k < n; ++k) {
            const int32_t step = (2 * k) % period;
            int32_t m = k % period;
            double sum = 0.0;
            for (int32_t j = 0; j < n; ++j) {
                sum += frame[j] * table[m];
                m += step;
                if (m >= period) {
                    m -= period;
                }
            }
            out[k] = ScaleSum(sum, n);
        }
        return;
    }
    for (int32_t k = 0; k < n; ++k) {
        double sum = 0.0;
        for (int32_t j = 0; j < n; ++j) {
            sum += frame[j] * CosineOf(int64_t{k} * (2 * j + 1), n);
        }
        out[k] = ScaleSum(sum, n);
    }
}
