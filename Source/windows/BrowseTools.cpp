#include "BrowseTools.h"

TBrowseTools &BrowseTools()
{
    static TBrowseTools tools;
    return tools;
}
