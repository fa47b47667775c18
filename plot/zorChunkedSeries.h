#ifndef ZORCHUNKEDSERIES_H
#define ZORCHUNKEDSERIES_H

#include <QVector>

#include <iterator>
#include <memory>
#include <vector>

// A series of doubles that only grows (until cleared), kept in chunks of a fixed size
// instead of one block. A series of millions of readings is never moved in memory as
// it grows, which would stall the GUI thread for the copy and, for a while, hold the
// old block and the new one together; and it takes no room beyond its last chunk.
//
// A copy shares the chunks and keeps the values it was made with: the original grows
// on into a chunk of its own, so that a copy can be read while the original grows
// (an export of the readings so far, say).
class zorChunkedSeries
{
public:
    static constexpr int chunkShift = 10;
    static constexpr int chunkSize = 1 << chunkShift;

    int size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    // Value i, 0 <= i < size().
    double at(int i) const { return m_chunks[size_t(i >> chunkShift)]->values[i & (chunkSize - 1)]; }
    double operator[](int i) const { return at(i); }
    double first() const { return at(0); }
    double last() const { return at(m_size - 1); }
    // Value i, or fallback outside the series.
    double value(int i, double fallback = 0.0) const { return i >= 0 && i < m_size ? at(i) : fallback; }
    // The mean of values [from, to), summed in order from the first.
    double mean(int from, int to) const;

    void append(double value);
    // Room in the chunk list for count values in all (the chunks come as values do).
    void reserve(int count);
    // Empties the series and gives its memory back.
    void clear();

    QVector<double> toVector() const;
    bool operator==(const zorChunkedSeries &other) const;
    bool operator!=(const zorChunkedSeries &other) const { return !(*this == other); }

    // For the standard algorithms (searches by time).
    class const_iterator
    {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = double;
        using difference_type = int;
        using pointer = const double *;
        using reference = double;

        const_iterator() = default;
        const_iterator(const zorChunkedSeries *series, int i) : m_series(series), m_i(i) {}
        double operator*() const { return m_series->at(m_i); }
        double operator[](int k) const { return m_series->at(m_i + k); }
        int index() const { return m_i; }
        const_iterator &operator++() { ++m_i; return *this; }
        const_iterator operator++(int) { const_iterator was = *this; ++m_i; return was; }
        const_iterator &operator--() { --m_i; return *this; }
        const_iterator operator--(int) { const_iterator was = *this; --m_i; return was; }
        const_iterator &operator+=(int k) { m_i += k; return *this; }
        const_iterator &operator-=(int k) { m_i -= k; return *this; }
        const_iterator operator+(int k) const { return {m_series, m_i + k}; }
        const_iterator operator-(int k) const { return {m_series, m_i - k}; }
        int operator-(const const_iterator &other) const { return m_i - other.m_i; }
        bool operator==(const const_iterator &other) const { return m_i == other.m_i; }
        bool operator!=(const const_iterator &other) const { return m_i != other.m_i; }
        bool operator<(const const_iterator &other) const { return m_i < other.m_i; }
        bool operator>(const const_iterator &other) const { return m_i > other.m_i; }
        bool operator<=(const const_iterator &other) const { return m_i <= other.m_i; }
        bool operator>=(const const_iterator &other) const { return m_i >= other.m_i; }

    private:
        const zorChunkedSeries *m_series = nullptr;
        int m_i = 0;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, m_size}; }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

private:
    struct Chunk {
        double values[chunkSize];
    };

    std::vector<std::shared_ptr<Chunk>> m_chunks;
    int m_size = 0;
};

#endif // ZORCHUNKEDSERIES_H
