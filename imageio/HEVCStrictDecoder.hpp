#pragma once
// A libheif decoder for HEVC-coded items over libde265 that treats damage as an error:
// libheif's own decoder hides libde265's reports of damaged or missing coded data and
// hands back a concealed picture. Registered on one libheif context, it decodes every
// item that context decodes, once, on the caller's thread; a picture the decoder reports
// damaged fails the decoding with heif_error_Decoder_plugin_error and the decoder's text.

struct heif_context;

namespace imageio {
// Makes the strict decoder the one the context uses for HEVC. False when libheif refuses.
bool useStrictHEVCDecoder(heif_context* context);
}  // namespace imageio
