#ifndef FEATURETABLELAYOUT_H
#define FEATURETABLELAYOUT_H

// How the coefficients of a characteristic (featureZOR70) of one type are laid out as a
// table, in the editor and in ".dat" files. Tables hold one point per column, argument
// above value, so their coefficients run column by column; every other type runs row by
// row. A type outside the list has an empty layout.
class featureTableLayout
{
public:
    explicit featureTableLayout(int type);

    bool isValid() const { return m_rows > 0; }
    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    int cells() const { return m_rows * m_columns; }
    bool byColumn() const { return m_byColumn; }

    // The coefficient a cell holds in a table of rowCount x columnCount cells (a table may
    // have grown beyond the layout).
    int ratioIndex(int row, int column, int rowCount, int columnCount) const
    {
        return m_byColumn ? column * rowCount + row : row * columnCount + column;
    }

private:
    int m_rows = 0;
    int m_columns = 0;
    bool m_byColumn = false;
};

#endif // FEATURETABLELAYOUT_H
