#include "plot/zorChunkedSeries.h"

#include <algorithm>
#include <cstring>

double zorChunkedSeries::mean(int from, int to) const
{
    // Summed in a local, in order: the same values always give the same mean.
    double sum = 0.0;
    for (int i = from; i < to; ++i)
        sum += at(i);
    return sum / (to - from);
}

void zorChunkedSeries::append(double value)
{
    const int slot = m_size & (chunkSize - 1);
    if (slot == 0) {
        // Not value-initialised: the pages of a chunk are touched as values arrive.
        m_chunks.emplace_back(new Chunk);
    } else if (m_chunks.back().use_count() > 1) {
        // A copy reads this chunk: go on in a chunk of our own.
        std::shared_ptr<Chunk> own(new Chunk);
        std::memcpy(own->values, m_chunks.back()->values, sizeof(double) * size_t(slot));
        m_chunks.back() = std::move(own);
    }
    m_chunks.back()->values[slot] = value;
    ++m_size;
}

void zorChunkedSeries::reserve(int count)
{
    m_chunks.reserve(size_t((count + chunkSize - 1) >> chunkShift));
}

void zorChunkedSeries::clear()
{
    std::vector<std::shared_ptr<Chunk>>().swap(m_chunks);
    m_size = 0;
}

QVector<double> zorChunkedSeries::toVector() const
{
    QVector<double> values(m_size);
    for (int k = 0; k * chunkSize < m_size; ++k)
        std::memcpy(values.data() + k * chunkSize, m_chunks[size_t(k)]->values,
                    sizeof(double) * size_t(std::min(chunkSize, m_size - k * chunkSize)));
    return values;
}

bool zorChunkedSeries::operator==(const zorChunkedSeries &other) const
{
    if (m_size != other.m_size)
        return false;
    for (int i = 0; i < m_size; ++i) {
        if (at(i) != other.at(i))
            return false;
    }
    return true;
}
