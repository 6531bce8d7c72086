/* Colour calculation library: light-source values from a spectral power distribution.
 *
 * int SpectrumToColor(const float *spectrum, int count, void *request)
 *
 *   spectrum  75 values, spectral power 360..730 nm in 5 nm steps (W m^-2 nm^-1, or any
 *             relative scale: the illuminance then has the same scale).
 *   count     must be 75.
 *   request   24 bytes: int32 6, int32 0, int32 241 (light-source values, 2 degree observer),
 *             followed by three floats that receive: illuminance (lx), correlated colour
 *             temperature (K), duv (distance from the Planckian locus in CIE 1960 uv, positive
 *             above the locus).
 *
 * Method: 5 nm sums with the 730 nm value held to 830 nm, Km = 683.002 lm/W; CCT by Ohno's
 * combined method on a refined table of the Planckian locus (c2 = 1.4388e-2 m K).
 *
 * Result codes (the three floats are written only with 0; with 5..13 they are set to
 * 3.4028235e38, "no value"; with 1..4 the request is not touched):
 */
#ifndef CALCOLOR_CALCOLOR_H
#define CALCOLOR_CALCOLOR_H

#ifdef __cplusplus
extern "C" {
#endif

enum CalColorResult {
    CALCOLOR_OK = 0,
    CALCOLOR_NO_SPECTRUM = 1,       /* spectrum pointer is null */
    CALCOLOR_BAD_COUNT = 2,         /* count is not 75 */
    CALCOLOR_NO_REQUEST = 3,        /* request pointer is null */
    CALCOLOR_BAD_REQUEST = 4,       /* request header is not 6, 0, 241 */
    CALCOLOR_NOT_A_NUMBER = 5,      /* a spectral value is NaN or infinite */
    CALCOLOR_NEGATIVE = 6,          /* a spectral value is negative */
    CALCOLOR_NO_LIGHT = 7,          /* every spectral value is zero */
    CALCOLOR_OVERFLOW = 8,          /* the illuminance is too large for a float */
    CALCOLOR_CCT_TOO_LOW = 9,       /* the colour temperature is below 1000 K */
    CALCOLOR_CCT_TOO_HIGH = 10,     /* the colour temperature is above 20000 K */
    CALCOLOR_TOO_GREEN = 11,        /* duv above +0.05: too far from the Planckian locus */
    CALCOLOR_TOO_PINK = 12,         /* duv below -0.05: too far from the Planckian locus */
    CALCOLOR_NO_TEMPERATURE = 13    /* the chromaticity has no colour temperature */
};

#define CALCOLOR_SPECTRUM_COUNT 75
#define CALCOLOR_REQUEST_CODE 6
#define CALCOLOR_REQUEST_RESERVED 0
#define CALCOLOR_REQUEST_KIND 241

typedef struct CalColorRequest {
    int code;     /* 6 */
    int reserved; /* 0 */
    int kind;     /* 241 */
    float illuminance;
    float cct;
    float duv;
} CalColorRequest;

__attribute__((visibility("default"))) int SpectrumToColor(const float *spectrum, int count,
                                                           void *request);

#ifdef __cplusplus
}
#endif

#endif
