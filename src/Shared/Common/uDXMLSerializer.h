// Writes the published properties of an object into an XML document and reads them back.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "Shared/Common/uDTypeInfo.h"
#include "Shared/Common/uDXMLDocument.h"
#include "Shared/Common/uException.h"

namespace tess::common {

// A text that cannot become the value of its property (a name the enumeration lacks, a number
// out of range, a malformed float or date).
class EDXMLConvertError : public Exception {
public:
  using Exception::Exception;
};

enum class TDXMLEncoding { xeUnknown, xeUnicode, xeUtf8 };

class TDXMLSerializer;

using TObjectSerialize = std::function<void(TDXMLSerializer* ASender, TDPersistent* AMainObject, TDPersistent* AObject,
                                            TDXMLNode AParentNode, bool& ASkipObject)>;
using TObjectSerialized = std::function<void(TDXMLSerializer* ASender, TDPersistent* AObject, TDXMLNode AParentNode)>;
using TPropertySerialize =
    std::function<void(TDXMLSerializer* ASender, TDPersistent* AObject, const std::u16string& APropertyName,
                       TDXMLNode AParentNode, bool& ASkipProperty)>;
using TPropertySerialized = std::function<void(TDXMLSerializer* ASender, TDPersistent* AObject,
                                               const std::u16string& APropertyName, TDXMLNode AParentNode)>;
using TObjectDeserialize = std::function<void(TDXMLSerializer* ASender, TDPersistent* AMainObject,
                                              TDPersistent* AObject, TDXMLNode ANode, bool& ASkipObject)>;
using TObjectDeserialized = std::function<void(TDXMLSerializer* ASender, TDPersistent* AObject, TDXMLNode ANode)>;
using TPropertyDeserialize =
    std::function<void(TDXMLSerializer* ASender, TDPersistent* AProperty, const std::u16string& APropertyName,
                       TDXMLNode ANode, bool& ASkipProperty)>;
// Raised when one property's element cannot be read. Setting AHandled keeps the property's
// value and goes on with the next one; otherwise the error passes on to the caller.
using TPropertyReadError =
    std::function<void(TDXMLSerializer* ASender, TDPersistent* AObject, const std::u16string& APropertyName,
                       TDXMLNode ANode, const std::exception& AError, bool& AHandled)>;

// Each persisted property becomes a child element named after it, holding its value as text;
// nested objects become nested elements, string lists one comma text, collections repeated
// "Item" elements. Errors of conversion pass on to the caller unless PropertyReadError handles them.
class TDXMLSerializer {
public:
  explicit TDXMLSerializer(TDXMLEncoding AEncoding);
  ~TDXMLSerializer();
  TDXMLSerializer(const TDXMLSerializer&) = delete;
  TDXMLSerializer& operator=(const TDXMLSerializer&) = delete;

  // Replaces everything below Node by the object's properties. The document is not saved.
  void Serialize(TDPersistent* AObject);
  // Reads the object's properties from below Node: properties without an element keep their
  // values and elements without a property are ignored.
  void Deserialize(TDPersistent* AObject);

  TDXMLDocument& XMLDoc() { return *FDoc; }
  TDXMLEncoding Encoding() const { return FEncoding; }
  std::u16string EncodingAsStr() const;
  // The element standing for the main object: fixed to the document element at the first
  // Serialize or Deserialize. A load that replaces the document's tree lets it go, so it is fixed
  // again to the new document element rather than pointing into the old tree.
  TDXMLNode Node() const;
  void SetNode(TDXMLNode ANode);

  TObjectSerialize ObjectSerialize;
  TPropertySerialize PropertySerialize;
  TObjectSerialized ObjectSerialized;
  TPropertySerialized PropertySerialized;
  TObjectDeserialize ObjectDeserialize;
  TObjectDeserialized ObjectDeserialized;
  TPropertyDeserialize PropertyDeserialize;
  TPropertyReadError PropertyReadError;

private:
  TDXMLNode FixedNode();
  void WriteObject(TDPersistent* AObject, TDXMLNode AElement);
  void WriteList(TDPersistent* AObject, TDXMLNode AElement);
  void WriteProperty(TDPersistent* AObject, const TDPropInfo& AProp, TDXMLNode AElement);
  void ReadObject(TDPersistent* AObject, TDXMLNode AElement);
  void ReadList(TDPersistent* AObject, TDXMLNode AElement);
  void ReadProperty(TDPersistent* AObject, const TDPropInfo& AProp, TDXMLNode AElement);
  void ReadValue(TDPersistent* AObject, const TDPropInfo& AProp, TDXMLNode AElement);

  std::unique_ptr<TDXMLDocument> FDoc;
  TDPersistent* FMainObject = nullptr;
  TDXMLEncoding FEncoding;
  TDXMLNode FNode;
  uint64_t FNodeGeneration = 0;
};

// The value texts of the serializer, exposed for the settings and their tests.
// General notation with up to 15 significant digits and "." whatever the locale: 0.5, 1E20,
// 1.5E-7, NAN, INF.
std::u16string XmlFloatText(double AValue);
// Raises EDXMLConvertError for anything but a number with "." as decimal separator.
double XmlTextToFloat(std::u16string_view AText);
// yyyy-mm-ddThh:nn:ss.zzz followed by the local offset from UTC (+hh:mm, -hh:mm) or "Z".
std::u16string XmlDateTimeText(TDateTime AValue);
// An XML Schema date or dateTime, converted to local time when it carries an offset.
TDateTime XmlTextToDateTime(std::u16string_view AText);
TDateTime EncodeDateTime(int AYear, int AMonth, int ADay, int AHour, int AMinute, int ASecond, int AMillisecond);

}  // namespace tess::common
