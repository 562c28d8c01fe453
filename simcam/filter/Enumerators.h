// Enumerators.h - IEnumPins over the capture filter's pins and
// IEnumMediaTypes over one pin's media-type callback. Each holds a reference
// on the filter (through the pin for media types) while it lives.
#ifndef KOR_SIMCAM_FILTER_ENUMERATORS_H
#define KOR_SIMCAM_FILTER_ENUMERATORS_H

#include <windows.h>
#include <dshow.h>

class SimSourceFilter;
class SimOutputPin;

HRESULT SimCreateEnumPins(SimSourceFilter *pFilter, ULONG ulPosition, IEnumPins **ppEnum);
HRESULT SimCreateEnumMediaTypes(SimOutputPin *pPin, ULONG ulPosition, IEnumMediaTypes **ppEnum);

#endif  // KOR_SIMCAM_FILTER_ENUMERATORS_H
