/* The image table of the partial test library: no images (its tests only read texts). */
#include "Tables.h"

const CorvexResImageRow corvexres_images[] = {{0, 0, 0}};
const int corvexres_image_count = 0;
