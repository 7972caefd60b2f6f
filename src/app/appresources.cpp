#include "appresources.h"

#include <QtCore/qglobal.h>

void initAppResources()
{
    Q_INIT_RESOURCE(resources);
}
