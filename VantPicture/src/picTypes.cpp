#include "picTypes.h"

#include "picException.h"

picMetricSize picMetricSize::ToUnit(picMetricUnit unit, IpicDC*) const
{
    if (!IsValid() || (unitX == unit && unitY == unit))
        return *this;
    throw new picEcompress(E_NOTIMPL, "picMetricSize::ToUnit() : conversions not implemented (VantPicture)");
}

void picBmpInfo::Empty()
{
    text1.Empty();
    text2.Empty();
    text3.Empty();
    size.Empty();
    metricSize.Empty();
    extra1 = extra2 = extra3 = extra4 = -1;
    bmpType = picBmpNone;
    bitsPerPixel = -1;
}

void picBmpInfo::OwnData()
{
    text1.OwnData();
    text2.OwnData();
    text3.OwnData();
}

picSettingInfo::picSettingInfo(const picSettingInfo& o) { *this = o; }

picSettingInfo& picSettingInfo::operator=(const picSettingInfo& o)
{
    header = o.header;
    param1 = o.param1;
    param2 = o.param2;
    param3 = o.param3;
    text1 = o.text1;
    text2 = o.text2;
    text3 = o.text3;
    text4 = o.text4;
    list1 = o.list1;
    list2 = o.list2;
    list3 = o.list3;
    value1 = o.value1;
    value2 = o.value2;
    value3 = o.value3;
    value4 = o.value4;
    value5 = o.value5;
    value6 = o.value6;
    value7 = o.value7;
    value8 = o.value8;
    return *this;
}

void picSettingInfo::Empty()
{
    text1.Empty();
    text2.Empty();
    text3.Empty();
    text4.Empty();
    list1.RemoveAll();
    list2.RemoveAll();
    list3.RemoveAll();
    value1 = value2 = value3 = value4 = value5 = value6 = value7 = value8 = 0;
}
