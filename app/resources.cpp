#include "resources.h"

#include <QtGlobal>

void initVestraResources()
{
    Q_INIT_RESOURCE(resources);
}
