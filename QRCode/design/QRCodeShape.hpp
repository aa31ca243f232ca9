#pragma once
// The geometry of a design: which generator draws the data modules (on and, optionally,
// off), the eyes and the pupils.
//
// Generators and the shape itself are shared by reference (std::shared_ptr); copyShape
// copies the generators. Setting the eye clears the pupil, so that a newly chosen eye is
// drawn with its own default pupil until a pupil is set again. (Only setEye does this:
// changes made inside the eye object are not seen by the shape.)
//
// Threads: drawing changes the generators (see QRCodePixelShapeGenerator.hpp) and links a
// use-pixel-shape eye or pupil to the on-pixel generator, so a shape is drawn by one caller
// at a time, also when several designs, documents or values hold it. copyShape shares
// nothing that changes: a copy may be drawn on another thread at once.

#include <memory>
#include <utility>

#include "QRCode/eye/QRCodeEyeShapeGenerator.hpp"
#include "QRCode/eye/QRCodePupilShapeGenerator.hpp"
#include "QRCode/pixel/QRCodePixelShapeGenerator.hpp"
#include "platform/foundation/Settings.hpp"

class QRCodeShape {
 public:
  // A shape holding exactly these values (initOnPixels:offPixels:negatedOnPixelsOnly:eye:
  // pupil:). A null onPixels or eye is replaced by the default generator (they are never
  // absent).
  QRCodeShape(QRCodePixelShapeGeneratorPtr onPixels, QRCodePixelShapeGeneratorPtr offPixels,
              bool negatedOnPixelsOnly, QRCodeEyeShapeGeneratorPtr eye,
              QRCodePupilShapeGeneratorPtr pupil);

  // The default shape: square pixels (fixed inset, all fractions 0), no off pixels, flag
  // false, square eye, no pupil.
  static std::shared_ptr<QRCodeShape> create();

  // The default generators of a shape: a new square pixel shape and a new square eye.
  static QRCodePixelShapeGeneratorPtr defaultOnPixels();
  static QRCodeEyeShapeGeneratorPtr defaultEye();

  const QRCodePixelShapeGeneratorPtr& onPixels() const { return onPixels_; }
  // null installs a new default square pixel shape.
  void setOnPixels(QRCodePixelShapeGeneratorPtr onPixels);
  const QRCodePixelShapeGeneratorPtr& offPixels() const { return offPixels_; }
  void setOffPixels(QRCodePixelShapeGeneratorPtr offPixels) { offPixels_ = std::move(offPixels); }
  bool negatedOnPixelsOnly() const { return negatedOnPixelsOnly_; }
  void setNegatedOnPixelsOnly(bool value) { negatedOnPixelsOnly_ = value; }
  const QRCodeEyeShapeGeneratorPtr& eye() const { return eye_; }
  // Stores the eye (null installs a new default square eye) and clears the pupil.
  void setEye(QRCodeEyeShapeGeneratorPtr eye);
  const QRCodePupilShapeGeneratorPtr& pupil() const { return pupil_; }
  void setPupil(QRCodePupilShapeGeneratorPtr pupil) { pupil_ = std::move(pupil); }

  // pupil when present, else the eye's defaultPupil (for many eyes one shared object).
  QRCodePupilShapeGeneratorPtr actualPupilShape() const;

  // A new shape with copies of every generator (an absent pupil or off-pixel shape stays
  // absent) and the same flag. Never fails.
  std::shared_ptr<QRCodeShape> copyShape() const;

  // {"onPixels": record, "offPixels": record (when present), "eye": record, "pupil":
  // record (when present), "negatedOnPixelsOnly": bool}. Never fails.
  foundation::Settings settings() const;

  // A shape from its settings: the default shape, then "data" (else "onPixels"), "eye",
  // "dataInverted" (else "offPixels"), "pupil" (after the eye, so it survives it) and
  // "negatedOnPixelsOnly" (a boolean). Entries of the wrong kind and records the factories
  // cannot make leave the defaults. Never fails.
  static std::shared_ptr<QRCodeShape> CreateWithSettings(const foundation::Settings& settings);

 private:
  QRCodePixelShapeGeneratorPtr onPixels_;
  QRCodePixelShapeGeneratorPtr offPixels_;
  bool negatedOnPixelsOnly_ = false;
  QRCodeEyeShapeGeneratorPtr eye_;
  QRCodePupilShapeGeneratorPtr pupil_;
};

using QRCodeShapePtr = std::shared_ptr<QRCodeShape>;
