// The table view a host makes when a view is added by name: the usual
// columns (the sender among them), newest first, with an empty name for the
// host to fill in. The standalone store and the test stand-in of Outlook both
// start from it, so that the folder view's repair meets the same view in both.
#pragma once

namespace velmora {

inline constexpr const char* kNewTableViewXml = R"(<?xml version="1.0"?>
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

}  // namespace velmora
