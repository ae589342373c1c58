#include "QelObj.h"

#include "BaseGrid.h"

TGridItem::~TGridItem()
{
    for (TObject* obj : FObjects)
        delete dynamic_cast<TCellProperties*>(obj);
}

QString& TGridItem::Text(int col)
{
    while (FTexts.size() <= col)
        FTexts.append(QString());
    return FTexts[col];
}
