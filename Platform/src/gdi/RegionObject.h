#pragma once

// The object behind HRGN.

#include "GdiObjects.h"
#include "Region.h"

namespace plat::gdi {

class RegionObject : public Object {
public:
    explicit RegionObject(Region region) : Object(Kind::Region), region(std::move(region)) {}
    Region region;
};

} // namespace plat::gdi
