#include "model/featureTableLayout.h"

#include "model/featureZOR70.h"

featureTableLayout::featureTableLayout(int type)
{
    switch (type) {
    case featureZOR70::ftTSMTSH90:
        m_rows = 1;
        m_columns = 7;
        break;
    case featureZOR70::ftTSKVD:
        m_rows = 1;
        m_columns = 4;
        break;
    case featureZOR70::ftTSPolynom:
    case featureZOR70::ftTPPolynom:
        m_rows = 2;
        m_columns = 5;
        break;
    case featureZOR70::ftTSTable:
    case featureZOR70::ftTPTable:
        m_rows = 2;
        m_columns = featureZOR70::maxTablePoints;
        m_byColumn = true;
        break;
    case featureZOR70::ftIzmPr:
        m_rows = 1;
        m_columns = 3;
        break;
    default:
        break;
    }
}
