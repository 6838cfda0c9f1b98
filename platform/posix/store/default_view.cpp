#include "platform/posix/store/default_view.h"

#include <pugixml.hpp>
#include <sstream>

namespace velmora::posix {

namespace {

constexpr const char* kTemplate = R"(<?xml version="1.0"?>
<view type="table">
  <viewname></viewname>
  <viewstyle>table-layout:fixed;width:100%;font-family:Tahoma;font-style:normal;font-weight:normal;font-size:8pt;color:Black;font-charset:0</viewstyle>
  <viewtime>0</viewtime>
  <linecolor>8421504</linecolor>
  <linestyle>3</linestyle>
  <collapsestate></collapsestate>
  <rowstyle>background-color:#FFFFFF</rowstyle>
  <headerstyle>background-color:#D3D3D3</headerstyle>
  <previewstyle>color:Blue</previewstyle>
  <column>
    <name>HREF</name>
    <prop>DAV:href</prop>
    <checkbox>1</checkbox>
  </column>
  <column>
    <heading>Importance</heading>
    <prop>urn:schemas:httpmail:importance</prop>
    <type>i4</type>
    <bitmap>1</bitmap>
    <width>10</width>
    <style>padding-left:3px;text-align:center</style>
  </column>
  <column>
    <heading>Icon</heading>
    <prop>http://schemas.microsoft.com/mapi/proptag/0x0fff0102</prop>
    <bitmap>1</bitmap>
    <width>18</width>
    <style>padding-left:3px;text-align:center</style>
  </column>
  <column>
    <heading>From</heading>
    <prop>urn:schemas:httpmail:fromname</prop>
    <type>string</type>
    <width>49</width>
    <style>padding-left:3px;text-align:left</style>
  </column>
  <column>
    <heading>Subject</heading>
    <prop>urn:schemas:httpmail:subject</prop>
    <type>string</type>
    <width>236</width>
    <style>padding-left:3px;text-align:left</style>
  </column>
  <column>
    <heading>Received</heading>
    <prop>urn:schemas:httpmail:datereceived</prop>
    <type>datetime</type>
    <width>59</width>
    <style>padding-left:3px;text-align:left</style>
    <format>M/d/yyyy||h:mm tt</format>
  </column>
  <orderby>
    <order>
      <heading>Received</heading>
      <prop>urn:schemas:httpmail:datereceived</prop>
      <type>datetime</type>
      <sort>desc</sort>
    </order>
  </orderby>
  <groupbydefault>2</groupbydefault>
  <previewpane>
    <visible>1</visible>
    <markasread>0</markasread>
  </previewpane>
</view>
)";

}  // namespace

std::string DefaultTableViewXml(const std::string& name) {
  // Through the DOM, so that a name with markup characters stays text.
  pugi::xml_document doc;
  doc.load_string(kTemplate, pugi::parse_default | pugi::parse_declaration);
  doc.child("view").child("viewname").text().set(name.c_str());
  std::ostringstream out;
  doc.save(out, "  ");
  return out.str();
}

}  // namespace velmora::posix
